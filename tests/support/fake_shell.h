#pragma once

#include <QList>
#include <QUrl>

#include "platform/shell.h"

namespace larkspur::test {

class FakeShell : public platform::Shell {
public:
    QList<QUrl> opened;
    void open(const QUrl& target) override { opened.append(target); }
};

} // namespace larkspur::test
