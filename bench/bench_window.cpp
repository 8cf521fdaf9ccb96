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
    : previousDir_(QDir::currentPath()),
      system_(platform::makeDirectDialup(),
              platform::makeCurlHttpClientFactory(platform::DefaultHttpInactivityLimit,
                                                  QFile::encodeName(caFile))) {
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(dropOpacityWarnings);
    QDir::setCurrent(workDir_.path());
    // The window applies the desktop's download folder at start: a home of its own.
    qputenv("HOME", workDir_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (workDir_.path() + QStringLiteral("/.config")).toLocal8Bit());
    form_ = std::make_unique<TForm1>(system_.view());
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
