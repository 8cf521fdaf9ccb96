#pragma once

#include <QByteArray>
#include <QString>

namespace larkspur {

// The program's 8-bit code page is Windows-1251: files hold these bytes, the
// window shows Unicode. Characters the code page lacks become "?".
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);

} // namespace larkspur
