#include "platform_desktop/desktop_services.h"

#include <QFile>
#include <QStandardPaths>

#include "platform/child_process.h"

namespace larkspur::platform {

namespace {

class DesktopShell final : public Shell {
public:
    explicit DesktopShell(const QString& opener) : opener_(opener) {}

    // The opener says within moments whether a program takes the target; one still
    // running then has found one (some openers wait for the program they start).
    bool open(const QUrl& target) override {
        const QString program = QStandardPaths::findExecutable(opener_);
        if (program.isEmpty())
            return false;
        const QByteArray argument =
            target.isLocalFile() ? QFile::encodeName(target.toLocalFile()) : target.toEncoded();
        const std::optional<int> status = ChildProcess::startDetachedWithin(
            {program, {argument}, {}, std::nullopt}, std::chrono::seconds(2));
        return !status || *status == 0;
    }

private:
    QString opener_;
};

} // namespace

std::unique_ptr<Shell> makeDesktopShell(const QString& opener) {
    return std::make_unique<DesktopShell>(opener);
}

} // namespace larkspur::platform
