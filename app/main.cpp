#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "app/command_line.h"
#include "app/form1.h"
#include "app/window_dialup_hooks.h"
#include "app/working_folder.h"
#include "framework/error_box.h"
#include "platform/dialup_service.h"
#include "platform/file_owner.h"
#include "platform/folder_lock.h"
#include "platform/url_handover.h"
#include "platform_desktop/system_services.h"
#include "widgets/error_dialog.h"

namespace {

// The designer's Windows fonts, drawn with the metric-compatible free ones.
void installFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
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
    const CommandLine commandLine = readCommandLine(argc, argv);
    if (commandLine.exitStatus)
        return *commandLine.exitStatus;
    QApplication application(argc, argv);
    // Docks and task bars match the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.larkspur.Larkspur"));
    QApplication::setWindowIcon(programIcon());
    installFontSubstitutes();
    larkspur::setApplicationTitle(QStringLiteral("Project2.exe"));
    larkspur::installErrorDialog();
    if (commandLine.inDataFolder && !enterDataFolder())
        return 1;
    const larkspur::platform::FolderLock folderLock(QDir::currentPath());
    if (const FolderClaim claim = claimWorkingFolder(folderLock, commandLine.urls);
        claim != FolderClaim::Ours)
        return claim == FolderClaim::HandedOver ? 0 : 1;

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
    form.AddUrls(commandLine.urls);
    const larkspur::platform::UrlInbox inbox(QDir::currentPath());
    QObject::connect(&inbox, &larkspur::platform::UrlInbox::arrived, &form,
                     [&form](const QStringList& urls) {
                         form.AddUrls(urls);
                         bringForward(form);
                     });
    const int status = application.exec();
    system.dialup.reset(); // its threads report to the window, so they end while it is there
    return status;
}
