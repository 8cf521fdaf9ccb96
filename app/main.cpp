#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

#include "about/version.h"
#include "app/form1.h"
#include "app/window_dialup_hooks.h"
#include "framework/error_box.h"
#include "platform/dialup_service.h"
#include "platform/file_owner.h"
#include "platform/folder_lock.h"
#include "platform_desktop/system_services.h"
#include "widgets/error_dialog.h"

namespace {

// The designer's Windows fonts, drawn with the metric-compatible free ones.
void installFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

const char* const Usage = "Usage: larkspur [--version] [--help]: opens the window that fetches a "
                          "list of URLs at night; settings and list in ./1.pwl and ./1.txt";

// `--version` and `--help` answer in one line, before any window or display is touched.
std::optional<int> answerCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("larkspur " LARKSPUR_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts(Usage);
            return 0;
        }
    }
    return std::nullopt;
}

bool refuseToStart(const QString& message) {
    std::fprintf(stderr, "larkspur: %s\n", message.toLocal8Bit().constData());
    larkspur::showErrorBox(message);
    return false;
}

// Two copies in one working folder would fetch into the same files at once: the second
// one says so and ends before it touches any file. So does a copy that finds another
// user's lock file there.
bool workingFolderIsOurs(const larkspur::platform::FolderLock& lock) {
    const QString folder = QDir::currentPath();
    switch (lock.state()) {
    case larkspur::platform::FolderLock::State::Held:
        return true;
    case larkspur::platform::FolderLock::State::HeldElsewhere:
        return refuseToStart(
            QStringLiteral("Another copy of Larkspur is already running in the folder \"%1\"; "
                           "this one closes without touching its files.")
                .arg(folder));
    case larkspur::platform::FolderLock::State::Foreign:
        return refuseToStart(
            QStringLiteral("The lock file \"%1/%2\" belongs to %3, not to this user; this copy "
                           "closes without touching any file.")
                .arg(folder, larkspur::platform::FolderLock::FileName,
                     larkspur::platform::userName(lock.owner())));
    case larkspur::platform::FolderLock::State::Unavailable:
        std::fprintf(stderr,
                     "larkspur: cannot lock the folder \"%s\"; another copy may run there\n",
                     folder.toLocal8Bit().constData());
        return true;
    }
    return true;
}

// What the toolkit left of the command line (it takes its own options, such as
// `-platform`) is not ours: a mistyped option must not open the window as if all were well.
std::optional<int> refuseLeftOptions(int argc, char* argv[]) {
    if (argc < 2)
        return std::nullopt;
    std::fprintf(stderr, "larkspur: unknown option '%s'\n%s\n", argv[1], Usage);
    return 2;
}

// The program's own icon at each size the menu entry has, rather than the toolkit's.
QIcon programIcon() {
    QIcon icon;
    for (const QFileInfo& size : QDir(QStringLiteral(":/icons")).entryInfoList())
        icon.addFile(size.filePath());
    return icon;
}

} // namespace

int main(int argc, char* argv[]) {
    larkspur::platform::forbidCoreDumps(); // a privileged run's crash must not leave the password
    if (const auto status = answerCommandLine(argc, argv))
        return *status;
    QApplication application(argc, argv);
    if (const auto status = refuseLeftOptions(argc, argv))
        return *status;
    // Docks and task bars match the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.larkspur.Larkspur"));
    QApplication::setWindowIcon(programIcon());
    installFontSubstitutes();
    larkspur::setApplicationTitle(QStringLiteral("Project2.exe"));
    larkspur::installErrorDialog();
    const larkspur::platform::FolderLock folderLock(QDir::currentPath());
    if (!workingFolderIsOurs(folderLock))
        return 1;

    WindowDialupHooks dialupHooks;
    std::unique_ptr<larkspur::platform::DialupService> dialup;
    try {
        dialup = larkspur::platform::makeDialupService(dialupHooks.hooks());
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "larkspur: %s\n", error.what());
        return 2;
    }
    larkspur::platform::SystemServices system(std::move(dialup),
                                              larkspur::platform::makeCurlHttpClientFactory());

    TForm1 form(system.view());
    dialupHooks.attach(form);
    form.show();
    const int status = application.exec();
    system.dialup.reset(); // its threads report to the window, so they end while it is there
    return status;
}
