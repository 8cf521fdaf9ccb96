#pragma once

#include <QTimer>
#include <functional>

namespace larkspur {

// Shows once a frame, or once every few frames, what changes many times a frame: a fast
// transfer's byte count, the log lines of a queue of small files. `changed` asks for the next
// frame; `showNow` shows what waits at once, for a reader or a last text that must not be
// overtaken. GUI thread only.
class OncePerFrame {
public:
    // Shows at most once every `frames` frames.
    explicit OncePerFrame(std::function<void()> show, int frames = 1);

    void changed();
    void showNow();

private:
    std::function<void()> show_;
    QTimer nextFrame_;
};

} // namespace larkspur
