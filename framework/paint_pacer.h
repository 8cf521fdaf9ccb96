#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace larkspur {

// While one lives, windows repaint at most FramesPerSecond times a second: a window's
// request to repaint that comes sooner is held back to the next frame. So a fast transfer,
// or a queue of small files, costs a frame's painting instead of one per chunk or per
// file, and the window still looks live. GUI thread only.
class PaintPacer : public QObject {
public:
    static constexpr int FramesPerSecond = 50;

    PaintPacer();
    // Hands what it holds back to the event loop.
    ~PaintPacer() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paintHeld();

    QList<QPointer<QObject>> held_;
    bool painting_ = false;
    QTimer nextFrame_;
};

} // namespace larkspur
