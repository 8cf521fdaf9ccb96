#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

// Readable Qt values in test failure messages.
inline void PrintTo(const QString& value, std::ostream* os) {
    *os << '"' << value.toStdString() << '"';
}

inline void PrintTo(const QByteArray& value, std::ostream* os) {
    *os << '"' << value.toHex(' ').toStdString() << '"';
}

inline void PrintTo(const QStringList& value, std::ostream* os) {
    *os << '[' << value.join("|").toStdString() << ']';
}
