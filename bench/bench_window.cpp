#include "bench/bench_window.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace larkspur::bench {

namespace {

QtMessageHandler previousHandler = nullptr;

// The window fades in and out; the offscreen platform says on every step that it cannot.
void dropOpacityWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("window opacity")))
        previousHandler(type, context, text);
}

} // namespace

BenchWindow::BenchWindow(const QString& caFile)
    : previousDir_(QDir::currentPath()), clock_(platform::makeSystemClock()),
      shell_(platform::makeDesktopShell()), folders_(platform::makeFolderTreeBrowser()),
      dialup_(platform::makeDirectDialup()), windows_(platform::makeX11WindowSystem()),
      machine_(platform::makeLinuxMachineControl()),
      http_(platform::makeCurlHttpClientFactory(platform::DefaultHttpInactivityLimit,
                                                QFile::encodeName(caFile))) {
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(dropOpacityWarnings);
    QDir::setCurrent(workDir_.path());
    // The window applies the desktop's download folder at start: a home of its own.
    qputenv("HOME", workDir_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (workDir_.path() + QStringLiteral("/.config")).toLocal8Bit());
    platform::Services services;
    services.clock = clock_.get();
    services.shell = shell_.get();
    services.folders = folders_.get();
    services.dialup = dialup_.get();
    services.windows = windows_.get();
    services.machine = machine_.get();
    services.http = http_.get();
    form_ = std::make_unique<TForm1>(services);
    form_->show();
    // A user starts a job once the window is up: its fade-in is not part of any figure.
    QEventLoop settling;
    QTimer::singleShot(500, &settling, &QEventLoop::quit);
    settling.exec();
}

BenchWindow::~BenchWindow() {
    form_.reset();
    QDir::setCurrent(previousDir_);
}

} // namespace larkspur::bench
