#pragma once

#include <QObject>
#include <functional>

namespace larkspur {

// The fire's private timer receiver. Whatever the tick raises is dropped: a failed
// frame must not stop the animation, and the next tick tries again.
class FlameTimerWindow : public QObject {
public:
    explicit FlameTimerWindow(std::function<void()> onTick);
    ~FlameTimerWindow() override;

    // False when the system gives no timer.
    bool start(int milliseconds);
    void stop();
    bool isRunning() const { return timerId_ != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    std::function<void()> onTick_;
    int timerId_ = 0;
};

} // namespace larkspur
