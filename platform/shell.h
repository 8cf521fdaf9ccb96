#pragma once

#include <QString>
#include <QUrl>

namespace larkspur::platform {

// The desktop's shell: opens a folder in the file browser, a web page or a mail address.
class Shell {
public:
    virtual ~Shell() = default;
    // False when nothing could open it: no opener, or the opener said it failed.
    virtual bool open(const QUrl& target) = 0;
};

} // namespace larkspur::platform
