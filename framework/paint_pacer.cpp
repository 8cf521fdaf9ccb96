#include "framework/paint_pacer.h"

#include <QCoreApplication>
#include <QEvent>

namespace larkspur {

namespace {

constexpr int FrameMs = 1000 / PaintPacer::FramesPerSecond;

// When the last frame was painted: one clock for all pacers, so that a queue of short
// waits keeps to the pace as one long wait does.
QElapsedTimer& lastFrame() {
    static QElapsedTimer clock;
    return clock;
}

} // namespace

PaintPacer::PaintPacer() {
    nextFrame_.setSingleShot(true);
    nextFrame_.setTimerType(Qt::PreciseTimer);
    connect(&nextFrame_, &QTimer::timeout, this, [this] { paintHeld(); });
    QCoreApplication::instance()->installEventFilter(this);
}

PaintPacer::~PaintPacer() {
    QCoreApplication::instance()->removeEventFilter(this);
    for (const QPointer<QObject>& widget : std::exchange(held_, {}))
        if (widget)
            QCoreApplication::postEvent(widget, new QEvent(QEvent::UpdateRequest));
}

bool PaintPacer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::UpdateRequest || !watched->isWidgetType() || painting_)
        return false;
    QElapsedTimer& last = lastFrame();
    if (!last.isValid() || last.elapsed() >= FrameMs) {
        last.start();
        return false;
    }
    // Qt asks once until the request is served, so the held one must come back later.
    if (!held_.contains(watched))
        held_.append(watched);
    if (!nextFrame_.isActive())
        nextFrame_.start(int(FrameMs - last.elapsed()));
    return true;
}

// At once rather than posted: a posted request would wait for the event loop's next turn,
// which during a fast transfer comes only after another slice of calls.
void PaintPacer::paintHeld() {
    lastFrame().start();
    painting_ = true;
    for (const QPointer<QObject>& widget : std::exchange(held_, {})) {
        QEvent request(QEvent::UpdateRequest);
        if (widget)
            QCoreApplication::sendEvent(widget, &request);
    }
    painting_ = false;
}

} // namespace larkspur
