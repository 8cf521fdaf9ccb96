#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "app/form1.h"
#include "dialup/window_dialup_hooks.h"
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

// `--version` and `--help` answer in one line, before any window or display is touched.
std::optional<int> answerCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("larkspur " LARKSPUR_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("Usage: larkspur [--version] [--help]: opens the window that fetches a "
                      "list of URLs at night; settings and list in ./1.pwl and ./1.txt");
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const auto status = answerCommandLine(argc, argv))
        return *status;
    QApplication application(argc, argv);
    installFontSubstitutes();
    larkspur::setApplicationTitle(QStringLiteral("Project2.exe"));

    const auto clock = larkspur::platform::makeSystemClock();
    const auto shell = larkspur::platform::makeDesktopShell();
    const auto folders = larkspur::platform::makeFolderTreeBrowser();
    WindowDialupHooks dialupHooks;
    std::unique_ptr<larkspur::platform::DialupService> dialup;
    try {
        dialup = larkspur::platform::makeDialupService(dialupHooks.hooks());
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
    dialupHooks.attach(form);
    form.show();
    const int status = application.exec();
    dialup.reset(); // its threads report to the window, so they end while it is there
    return status;
}
