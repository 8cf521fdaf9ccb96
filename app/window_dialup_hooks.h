#pragma once

#include <atomic>

#include "platform/dialup_service.h"

class TForm1;

// Lets the dial-up services, made before the window, reach it once it is there: the
// line rule reads its "Connection" field, and the services' explanations go to its log on
// the GUI thread. Until a window is attached the field reads empty and notices are dropped.
// The attached window must outlive the services' threads.
class WindowDialupHooks {
public:
    larkspur::platform::DialupHooks hooks();
    void attach(TForm1& window) { window_ = &window; }

private:
    std::atomic<TForm1*> window_ = nullptr;
};
