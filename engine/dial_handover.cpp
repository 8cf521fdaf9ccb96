#include "engine/dial_handover.h"

#include <QCoreApplication>

#include "engine/night_job.h"
#include "framework/guard.h"

namespace larkspur::engine {

void DialHandover::post(std::function<void(NightJob&)> change) {
    std::lock_guard lock(mutex_);
    if (!job_)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self = shared_from_this(), change = std::move(change)] { self->apply(change); },
        Qt::QueuedConnection);
}

void DialHandover::apply(const std::function<void(NightJob&)>& change) {
    NightJob* job = nullptr;
    {
        std::lock_guard lock(mutex_);
        job = job_;
    }
    if (job) // on the GUI thread, which alone can close, so it stays valid here
        guarded([&] { change(*job); });
}

platform::ConnectionHandle DialHandover::connection() {
    std::lock_guard lock(mutex_);
    return job_ ? job_->RasConnection.load() : platform::NoConnection;
}

void DialHandover::close() {
    std::lock_guard lock(mutex_);
    job_ = nullptr;
}

} // namespace larkspur::engine
