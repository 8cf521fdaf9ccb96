#include "engine/power_off_countdown.h"

#include "platform/notifier.h"

namespace larkspur::engine {

namespace {
constexpr int DelaySeconds = 60;
const QString CancelKey = QStringLiteral("cancel");
} // namespace

int PowerOffCountdown::defaultSeconds() {
    bool valid = false;
    const int seconds = qEnvironmentVariableIntValue("LARKSPUR_POWER_OFF_DELAY", &valid);
    return valid && seconds >= 0 ? seconds : DelaySeconds;
}

PowerOffCountdown::PowerOffCountdown(platform::Notifier* notifier, int seconds, QObject* parent)
    : QObject(parent), notifier_(notifier), secondsLeft_(seconds) {
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &PowerOffCountdown::tick);
    if (notifier_)
        connect(notifier_, &platform::Notifier::actionInvoked, this,
                [this](unsigned id, const QString& key) {
                    if (id == notification_ && key == CancelKey)
                        cancel();
                });
}

PowerOffCountdown::~PowerOffCountdown() {
    if (running())
        finish();
}

void PowerOffCountdown::start() {
    if (secondsLeft_ <= 0) {
        emit expired();
        return;
    }
    offersCancel_ = notifier_ && notifier_->supportsActions();
    notifying_ = notifier_ != nullptr;
    show();
    notifying_ = notification_ != 0; // without a service, said once
    timer_.start();
}

void PowerOffCountdown::cancel() {
    if (!running())
        return;
    finish();
    emit cancelled();
}

void PowerOffCountdown::tick() {
    --secondsLeft_;
    emit ticked(secondsLeft_);
    if (secondsLeft_ > 0) {
        show();
        return;
    }
    finish();
    emit expired();
}

void PowerOffCountdown::show() {
    if (!notifying_)
        return;
    QList<platform::NotificationAction> actions;
    if (offersCancel_)
        actions.append({CancelKey, QStringLiteral("Cancel")});
    notification_ =
        notifier_->notify(QStringLiteral("Larkspur"),
                          QStringLiteral("The computer turns off in %1 s.").arg(secondsLeft_),
                          QStringLiteral("org.larkspur.Larkspur"), actions, notification_);
}

void PowerOffCountdown::finish() {
    timer_.stop();
    if (notifier_ && notification_ != 0)
        notifier_->close(notification_);
    notification_ = 0;
}

} // namespace larkspur::engine
