#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "platform/connection_handle.h"

class TForm1;

// Carries the dial callback's window changes from the dial-up service's thread to the
// GUI thread, where they are applied in the order they were handed over, and lets the
// callback read the connection it hangs up. The window closes it when it goes:
// from then on reads give "none" and changes are dropped, so a report that arrives
// late never touches a destroyed window.
class DialHandover : public std::enable_shared_from_this<DialHandover> {
public:
    explicit DialHandover(TForm1& form) : form_(&form) {}

    // Any thread.
    void post(std::function<void(TForm1&)> change);
    larkspur::platform::ConnectionHandle connection();

    // GUI thread, as the window goes.
    void close();

private:
    void apply(const std::function<void(TForm1&)>& change);

    std::mutex mutex_;
    TForm1* form_; // null once closed
};
