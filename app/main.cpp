#include <QApplication>
#include <QFont>

#include "app/form1.h"
#include "framework/error_box.h"
#include "platform/clock.h"
#include "platform/folder_browser.h"
#include "platform/services.h"
#include "platform/shell.h"

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
    larkspur::platform::Services services;
    services.clock = clock.get();
    services.shell = shell.get();
    services.folders = folders.get();

    TForm1 form(services);
    form.show();
    return application.exec();
}
