#pragma once

#include <QString>
#include <QUrl>

namespace larkspur::platform {

// The desktop's shell: opens a folder in the file browser, a web page or a mail address.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const QUrl& target) = 0;
};

} // namespace larkspur::platform
