#pragma once

#include <QByteArray>
#include <QString>

namespace larkspur {

// The program's 8-bit code page is Windows-1251: files hold these bytes, the
// window shows Unicode. Characters the code page lacks become "?". A byte the code
// page leaves undefined (0x98) is read as a private-use character that is written
// back as the same byte, so such bytes of the user's files survive a load and a save.
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);

// Whether every character of `text` has a byte in the code page.
bool fitsAnsi(const QString& text);

} // namespace larkspur
