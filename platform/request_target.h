#pragma once

#include <QByteArray>

namespace larkspur::platform {

// The object name as it may stand in a request line: every byte that cannot stand there
// ("#", blanks, control characters, 8-bit text, quotes, brackets, "%" that starts no
// "%xx") is percent-encoded, so that the server is asked for exactly the name given. The
// "?" of a query, the query's own syntax and an existing "%xx" stay as they are.
QByteArray escapeObjectName(const QByteArray& objectName);

} // namespace larkspur::platform
