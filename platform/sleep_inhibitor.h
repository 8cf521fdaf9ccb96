#pragma once

#include <QString>
#include <memory>

namespace larkspur::platform {

// Keeps the machine awake while a job runs: no suspend, automatic or asked for, until
// the lock is released. Taking a held lock, or releasing a free one, does nothing.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
    virtual void take() = 0;
    virtual void release() = 0;
};

// logind's inhibitor lock on the D-Bus bus at `busAddress`, or on the system bus when it
// is empty. Without logind one line on standard error says so, and nothing else happens.
std::unique_ptr<SleepInhibitor> makeLogindSleepInhibitor(const QString& busAddress = {});

} // namespace larkspur::platform
