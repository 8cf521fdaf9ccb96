#include "app/dial_handover.h"

#include <QCoreApplication>

#include "app/form1.h"
#include "framework/guard.h"

void DialHandover::post(std::function<void(TForm1&)> change) {
    std::lock_guard lock(mutex_);
    if (!form_)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self = shared_from_this(), change = std::move(change)] { self->apply(change); },
        Qt::QueuedConnection);
}

void DialHandover::apply(const std::function<void(TForm1&)>& change) {
    TForm1* form = nullptr;
    {
        std::lock_guard lock(mutex_);
        form = form_;
    }
    if (form) // on the GUI thread, which alone can close, so it stays valid here
        larkspur::guarded([&] { change(*form); });
}

larkspur::platform::ConnectionHandle DialHandover::connection() {
    std::lock_guard lock(mutex_);
    return form_ ? form_->RasConnection.load() : larkspur::platform::NoConnection;
}

void DialHandover::close() {
    std::lock_guard lock(mutex_);
    form_ = nullptr;
}
