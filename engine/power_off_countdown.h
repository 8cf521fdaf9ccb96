#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace larkspur::platform {
class Notifier;
}

namespace larkspur::engine {

// The minute between the end of a job and the power-off, in which whoever is there may
// cancel it. It ticks each second, shows itself as a notification (with a Cancel action
// where the service shows actions) and ends in `expired` or `cancelled`, once.
class PowerOffCountdown : public QObject {
    Q_OBJECT
public:
    // 60, or what the environment's LARKSPUR_POWER_OFF_DELAY says (seconds, for tests).
    static int defaultSeconds();

    // `notifier` may be null: no notification then.
    explicit PowerOffCountdown(platform::Notifier* notifier, int seconds = defaultSeconds(),
                               QObject* parent = nullptr);
    ~PowerOffCountdown() override;

    void start();
    void cancel();
    int secondsLeft() const { return secondsLeft_; }
    bool running() const { return timer_.isActive(); }

signals:
    void ticked(int secondsLeft);
    void expired();
    void cancelled();

private:
    void tick();
    void show();
    void finish();

    platform::Notifier* notifier_;
    int secondsLeft_;
    QTimer timer_;
    unsigned notification_ = 0;
    bool offersCancel_ = false;
    bool notifying_ = false;
};

} // namespace larkspur::engine
