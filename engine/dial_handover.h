#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "platform/connection_handle.h"

namespace larkspur::engine {

class NightJob;

// Carries the dial callback's changes from the dial-up service's thread to the GUI
// thread, where they are applied in the order they were handed over, and lets the
// callback read the connection it hangs up. The job closes it when it goes: from then
// on reads give "none" and changes are dropped, so a report that arrives late never
// touches a destroyed job.
class DialHandover : public std::enable_shared_from_this<DialHandover> {
public:
    explicit DialHandover(NightJob& job) : job_(&job) {}

    // Any thread.
    void post(std::function<void(NightJob&)> change);
    platform::ConnectionHandle connection();

    // GUI thread, as the job goes.
    void close();

private:
    void apply(const std::function<void(NightJob&)>& change);

    std::mutex mutex_;
    NightJob* job_; // null once closed
};

} // namespace larkspur::engine
