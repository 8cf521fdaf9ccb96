#include "platform_desktop/desktop_services.h"

#include <QDesktopServices>

namespace larkspur::platform {

namespace {

class DesktopShell final : public Shell {
public:
    void open(const QUrl& target) override { QDesktopServices::openUrl(target); }
};

} // namespace

std::unique_ptr<Shell> makeDesktopShell() {
    return std::make_unique<DesktopShell>();
}

} // namespace larkspur::platform
