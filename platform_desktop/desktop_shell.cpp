#include "platform_desktop/desktop_services.h"

#include <QFile>
#include <QStandardPaths>

#include "platform/child_process.h"

namespace larkspur::platform {

namespace {

class DesktopShell final : public Shell {
public:
    explicit DesktopShell(const QString& opener) : opener_(opener) {}

    void open(const QUrl& target) override {
        const QString program = QStandardPaths::findExecutable(opener_);
        if (program.isEmpty())
            return; // no opener: nothing to show, as a shell that cannot open says nothing
        const QByteArray argument =
            target.isLocalFile() ? QFile::encodeName(target.toLocalFile()) : target.toEncoded();
        ChildProcess::startDetached({program, {argument}, {}, std::nullopt});
    }

private:
    QString opener_;
};

} // namespace

std::unique_ptr<Shell> makeDesktopShell(const QString& opener) {
    return std::make_unique<DesktopShell>(opener);
}

} // namespace larkspur::platform
