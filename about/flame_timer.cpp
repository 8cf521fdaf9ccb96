#include "about/flame_timer.h"

#include <QTimerEvent>

namespace larkspur {

FlameTimerWindow::FlameTimerWindow(std::function<void()> onTick) : onTick_(std::move(onTick)) {}

FlameTimerWindow::~FlameTimerWindow() {
    stop();
}

bool FlameTimerWindow::start(int milliseconds) {
    stop();
    timerId_ = startTimer(milliseconds, Qt::PreciseTimer);
    return timerId_ != 0;
}

void FlameTimerWindow::stop() {
    if (timerId_ != 0)
        killTimer(timerId_);
    timerId_ = 0;
}

void FlameTimerWindow::timerEvent(QTimerEvent*) {
    try {
        onTick_();
    } catch (...) {
        // Dropped on purpose, see the class comment.
    }
}

} // namespace larkspur
