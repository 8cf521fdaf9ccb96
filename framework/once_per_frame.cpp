#include "framework/once_per_frame.h"

#include "framework/paint_pacer.h"

namespace larkspur {

OncePerFrame::OncePerFrame(std::function<void()> show, int frames) : show_(std::move(show)) {
    nextFrame_.setSingleShot(true);
    nextFrame_.setInterval(frames * 1000 / PaintPacer::FramesPerSecond);
    QObject::connect(&nextFrame_, &QTimer::timeout, &nextFrame_, [this] { show_(); });
}

void OncePerFrame::changed() {
    if (!nextFrame_.isActive())
        nextFrame_.start();
}

void OncePerFrame::showNow() {
    if (!nextFrame_.isActive())
        return;
    nextFrame_.stop();
    show_();
}

} // namespace larkspur
