#pragma once

#include <QStringList>

#include "platform/sleep_inhibitor.h"

namespace larkspur::test {

// Holds the lock as a flag; `calls` records "take" and "release" in their order.
class FakeSleepInhibitor : public platform::SleepInhibitor {
public:
    bool held = false;
    QStringList calls;

    void take() override {
        held = true;
        calls.append(QStringLiteral("take"));
    }
    void release() override {
        held = false;
        calls.append(QStringLiteral("release"));
    }
};

} // namespace larkspur::test
