#pragma once

#include <QString>

namespace larkspur {

// Text that came from elsewhere (a server's status words, a reason built from them) as the
// log may show it: control characters become "?", and it is cut to 200 characters.
QString shownText(const QString& text);

// Whether a file name holds a control character, as it stands or once its "%xx" escapes
// are decoded: such a name could be cut short on its way to the file system.
bool holdsControlCharacter(const QString& name);

} // namespace larkspur
