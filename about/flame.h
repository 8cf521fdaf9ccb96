#pragma once

#include <QImage>
#include <QList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "framework/events.h"

namespace larkspur {
class FlameTimerWindow;
}

// The six colour schemes of the fire.
enum class TFireColor : std::uint8_t {
    FireRed,
    FireGreen,
    FireBlue,
    FireDeepPurple,
    FireCyan,
    FireYellow
};

// Rows left unpainted at the bottom of the control, 0 to 199.
using DoDvesta = std::uint8_t;

// An animated fire: a 160-cell-wide heat grid, seeded at random along its bottom on every
// tick of its own timer, rises by averaging and cooling, and is drawn at double scale
// through a 256-colour palette. Image stands centred in the flames, black transparent.
class TFlame : public QWidget {
    Q_OBJECT
public:
    static constexpr int GridWidth = 160;
    static constexpr int GridRows = 101; // the last row is padding, never touched
    static constexpr int BurnedRows = 98;
    static constexpr int FrameWidth = 320;
    static constexpr int FrameHeight = 200;
    static constexpr DoDvesta MaxBottomRange = 199;

    explicit TFlame(QWidget* Owner = nullptr);
    ~TFlame() override;

    bool FadeOut() const { return FFadeOut; }
    virtual void SetFadeOut(bool Value);
    TFireColor FireColor() const { return FFireColor; }
    virtual void SetFireColor(TFireColor Value);
    // Switches the animation only; QWidget's own enabling is left alone.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    std::uint16_t Interval() const { return FInterval; }
    void SetInterval(std::uint16_t Value);
    const QImage& Image() const { return FImage; }
    virtual void SetImage(const QImage& Value);
    DoDvesta BottomRange() const { return FBottomRange; }
    virtual void SetBottomRange(DoDvesta Value);

    bool SolidFlame = false;
    TNotifyEvent OnClick;
    TNotifyEvent OnFlame; // raised after every tick's drawing

    // Heats cell (y, x); anything outside the grid's inner cells is ignored.
    virtual void SetHotSpot(std::uint8_t x, std::uint8_t y);
    // The 256 colours the fire's palette indices stand for.
    virtual const QList<QRgb>& GetPalette() const { return FirePalette; }
    // One step of the animation: seed, burn, report.
    virtual void Tick();

protected:
    virtual void Paint();
    virtual QList<QRgb> BuildPalette() const;
    virtual void Burn();
    virtual void SeedRow(int Row);
    virtual void SeedFadingRow(int Row);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    std::uint8_t FadeLevel = 255;
    TFireColor FFireColor = TFireColor::FireRed;
    bool FFadeOut = false;
    bool FEnabled = true;
    std::uint16_t FInterval = 20;
    std::unique_ptr<larkspur::FlameTimerWindow> TimerWindow;
    QImage BackBuffer;
    QImage FImage;
    QList<QRgb> FirePalette;
    std::array<std::uint8_t, FrameWidth * FrameHeight> FrameBuffer{};
    std::array<std::uint16_t, GridWidth * GridRows> HeatGrid{};
    DoDvesta FBottomRange = 0;

private:
    void UpdateTimer();
    void composeBackBuffer();
    void copyFrameToBackBuffer();
    void plot(int row, int x, std::uint8_t index);
    int paintedHeight() const;

    QImage transparentImage_; // Image with its black pixels made transparent
};
