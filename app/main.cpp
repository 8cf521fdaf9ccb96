#include <QApplication>
#include <QFont>
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
#include "platform_desktop/system_services.h"
#include "widgets/error_dialog.h"

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
    larkspur::installErrorDialog();

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
