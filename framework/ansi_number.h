#pragma once

#include <QLocale>
#include <QString>

namespace larkspur {

// A text holding numbers written by `locale`, made fit for the 8-bit code page: the
// locale's digits become ASCII ones, a group separator the code page lacks becomes the
// no-break space and a decimal separator it lacks becomes ".".
QString ansiNumberText(QString text, const QLocale& locale);

} // namespace larkspur
