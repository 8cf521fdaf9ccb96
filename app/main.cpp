#include <QApplication>
#include <QFont>
#include <cstdio>
#include <stdexcept>

#include "app/form1.h"
#include "framework/error_box.h"
#include "platform/clock.h"
#include "platform/dialup_service.h"
#include "platform/folder_browser.h"
#include "platform/http_client.h"
#include "platform/machine_control.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/window_system.h"

namespace {

// The designer's Windows fonts, drawn with the metric-compatible free ones.
void installFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    installFontSubstitutes();
    larkspur::setApplicationTitle(QStringLiteral("Project2.exe"));

    const auto clock = larkspur::platform::makeSystemClock();
    const auto shell = larkspur::platform::makeDesktopShell();
    const auto folders = larkspur::platform::makeFolderTreeBrowser();
    std::unique_ptr<larkspur::platform::DialupService> dialup;
    try {
        dialup = larkspur::platform::makeDialupService();
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "larkspur: %s\n", error.what());
        return 2;
    }
    const auto windows = larkspur::platform::makeX11WindowSystem();
    const auto machine = larkspur::platform::makeLinuxMachineControl();
    const auto http = larkspur::platform::makeCurlHttpClientFactory();
    larkspur::platform::Services services;
    services.clock = clock.get();
    services.shell = shell.get();
    services.folders = folders.get();
    services.dialup = dialup.get();
    services.windows = windows.get();
    services.machine = machine.get();
    services.http = http.get();

    TForm1 form(services);
    form.show();
    const int status = application.exec();
    dialup.reset(); // its threads report to the window, so they end while it is there
    return status;
}
