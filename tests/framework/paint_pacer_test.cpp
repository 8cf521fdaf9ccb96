#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <gtest/gtest.h>

#include "framework/paint_pacer.h"

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

// As during a fast transfer: the text changes all the time and the event loop runs only
// between slices of work. The label must look live, yet not paint on every turn.
TEST(PaintPacer, AWindowBusyBetweenShortTurnsOfItsLoopPaintsLiveButNoFasterThanItsPace) {
    QLabel label;
    label.show();
    QApplication::processEvents();
    PaintCounter counter;
    label.installEventFilter(&counter);
    constexpr int RunMs = 1000;
    {
        const larkspur::PaintPacer pacer;
        QElapsedTimer run;
        run.start();
        for (int change = 0; run.elapsed() < RunMs; ++change) {
            label.setText(QString::number(change));
            QElapsedTimer slice;
            slice.start();
            while (slice.nsecsElapsed() < 10'000'000) // a slice of calls served
                label.setText(QString::number(++change));
            QApplication::processEvents();
        }
    }
    EXPECT_GE(counter.paints, 25 * RunMs / 1000);
    EXPECT_LE(counter.paints, larkspur::PaintPacer::FramesPerSecond * RunMs / 1000 + 5);
}
