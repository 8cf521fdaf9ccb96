#pragma once

#include <QString>
#include <QUrl>
#include <memory>

namespace larkspur::platform {

// The desktop's shell: opens a folder in the file browser, a web page or a mail address.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const QUrl& target) = 0;
};

// Opens through `opener` (a program name looked up in PATH, or a path), started as a
// child of its own that inherits none of our connections.
std::unique_ptr<Shell> makeDesktopShell(const QString& opener = QStringLiteral("xdg-open"));

} // namespace larkspur::platform
