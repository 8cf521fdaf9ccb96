#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

#include "tests/about/open_flame.h"
#include "tests/support/error_box_recorder.h"

using larkspur::test::OpenFlame;
using larkspur::test::rendered;

namespace {

struct CountingFlame : OpenFlame {
    CountingFlame() {
        OnFlame = [this](QObject* sender) {
            EXPECT_EQ(sender, this);
            ++ticks;
        };
    }
    int ticks = 0;
};

} // namespace

TEST(FlameTimer, ANewControlBurnsAtOnceEveryTwentyMilliseconds) {
    CountingFlame flame;
    EXPECT_TRUE(flame.Enabled());
    EXPECT_EQ(flame.Interval(), 20);
    EXPECT_FALSE(flame.FadeOut());
    EXPECT_FALSE(flame.SolidFlame);
    EXPECT_EQ(flame.BottomRange(), 0);
    EXPECT_EQ(flame.size(), QSize(320, 200));
    EXPECT_TRUE(QTest::qWaitFor([&] { return flame.ticks >= 3; }, 2000));
}

TEST(FlameTimer, IntervalZeroStopsTheTicksAndTwentyGoesOnFromTheKeptGrid) {
    CountingFlame flame;
    ASSERT_TRUE(QTest::qWaitFor([&] { return flame.ticks >= 5; }, 2000));
    flame.SetInterval(0);
    const int ticksWhenStopped = flame.ticks;
    const auto grid = flame.grid();
    QTest::qWait(100);
    EXPECT_EQ(flame.ticks, ticksWhenStopped);
    EXPECT_EQ(flame.grid(), grid);

    flame.SetInterval(20);
    EXPECT_EQ(flame.grid(), grid); // not cleared by the restart
    EXPECT_TRUE(QTest::qWaitFor([&] { return flame.ticks > ticksWhenStopped; }, 2000));
}

TEST(FlameTimer, EnabledSwitchesTheAnimationButNotTheControl) {
    CountingFlame flame;
    flame.SetEnabled(false);
    QTest::qWait(80);
    EXPECT_EQ(flame.ticks, 0);
    EXPECT_TRUE(flame.isEnabled());

    flame.SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return flame.ticks > 0; }, 2000));
}

TEST(FlameTimer, AFailingTickIsDroppedAndTheNextOneRuns) {
    larkspur::test::ErrorBoxRecorder errorBox;
    OpenFlame flame;
    int attempts = 0;
    flame.OnFlame = [&](QObject*) {
        ++attempts;
        throw std::runtime_error("broken frame");
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return attempts >= 3; }, 2000));
    EXPECT_TRUE(errorBox.messages.isEmpty());
}

TEST(FlameTimer, AFadeTakes256TicksThenThePictureStandsStill) {
    CountingFlame flame;
    flame.SetInterval(1);
    flame.SetFadeOut(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !flame.Enabled(); }, 30000)); // slow under sanitizers
    EXPECT_EQ(flame.ticks, 256);
    EXPECT_FALSE(flame.FadeOut());
    EXPECT_EQ(flame.fadeLevel(), 255);

    const QImage picture = rendered(flame);
    QTest::qWait(50);
    EXPECT_EQ(flame.ticks, 256);
    EXPECT_EQ(rendered(flame), picture);

    flame.SetEnabled(true); // a stopped fade starts again only when asked
    EXPECT_TRUE(QTest::qWaitFor([&] { return flame.ticks > 256; }, 2000));
    EXPECT_FALSE(flame.FadeOut());
}
