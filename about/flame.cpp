// Construction, properties, the timer and the seeding of the fire.
#include "about/flame.h"

#include <cstdlib>

#include "about/click.h"
#include "about/flame_timer.h"
#include "framework/errors.h"

namespace {

// The program's generator, seeded once at start-up: 0 to range - 1, and 0 for an empty range.
int Random(int range) {
    return range > 0 ? std::rand() % range : 0;
}

// Only the middle 140 columns of a seed row are heated; the edges stay cold.
constexpr int FirstHeatedColumn = 10;
constexpr int LastHeatedColumn = 149;

} // namespace

TFlame::TFlame(QWidget* Owner) : QWidget(Owner) {
    FirePalette = BuildPalette();
    TimerWindow = std::make_unique<larkspur::FlameTimerWindow>([this] { Tick(); });
    resize(FrameWidth, FrameHeight);
    UpdateTimer();
}

TFlame::~TFlame() = default;

void TFlame::SetFadeOut(bool Value) {
    FFadeOut = Value;
    if (!Value)
        FadeLevel = 255;
    Paint();
}

void TFlame::SetFireColor(TFireColor Value) {
    FFireColor = Value;
    FirePalette = BuildPalette();
    Paint();
}

void TFlame::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    UpdateTimer();
}

void TFlame::SetInterval(std::uint16_t Value) {
    if (Value == FInterval)
        return;
    FInterval = Value;
    UpdateTimer();
}

void TFlame::SetBottomRange(DoDvesta Value) {
    FBottomRange = std::min(Value, MaxBottomRange);
    Paint();
}

void TFlame::SetHotSpot(std::uint8_t x, std::uint8_t y) {
    // Rows past the seed rows would land on the padding row or outside the grid.
    constexpr int lastSeedRow = 99;
    if (x < 1 || x >= GridWidth || y < 1 || y > lastSeedRow)
        return;
    HeatGrid[y * GridWidth + x] = 256;
}

void TFlame::UpdateTimer() {
    TimerWindow->stop();
    if (FInterval != 0 && FEnabled && !TimerWindow->start(FInterval))
        throw larkspur::Error(QStringLiteral("No timers"));
}

void TFlame::Tick() {
    if (FFadeOut)
        SeedFadingRow(98 + Random(2));
    else if (SolidFlame)
        SeedRow(98 + Random(2));
    else
        SeedRow(98);
    Burn();
    if (OnFlame)
        OnFlame(this);
}

void TFlame::SeedRow(int Row) {
    for (int x = FirstHeatedColumn; x <= LastHeatedColumn; ++x)
        HeatGrid[Row * GridWidth + x] = static_cast<std::uint16_t>(256 * Random(2));
}

void TFlame::SeedFadingRow(int Row) {
    for (int x = FirstHeatedColumn; x <= LastHeatedColumn; ++x) {
        const int spark = Random(2);
        HeatGrid[Row * GridWidth + x] = static_cast<std::uint16_t>(spark + Random(FadeLevel));
    }
    if (FadeLevel > 0) {
        --FadeLevel;
        return;
    }
    SetEnabled(false);
    SetFadeOut(false);
    FadeLevel = 255;
    Paint();
}

void TFlame::mousePressEvent(QMouseEvent* event) {
    larkspur::takeClickPress(event);
}

void TFlame::mouseReleaseEvent(QMouseEvent* event) {
    larkspur::raiseClickOnRelease(this, event, OnClick);
}
