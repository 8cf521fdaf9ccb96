#pragma once

#include <QList>
#include <QUrl>

#include "platform/shell.h"

namespace larkspur::test {

class FakeShell : public platform::Shell {
public:
    QList<QUrl> opened;
    bool opens = true; // false: as a desktop with no program for the target
    bool open(const QUrl& target) override {
        opened.append(target);
        return opens;
    }
};

} // namespace larkspur::test
