#pragma once

#include <QImage>
#include <QWidget>

#include "about/flame.h"

namespace larkspur::test {

// A fire whose grid, frame and fade counter the test can reach.
class OpenFlame : public TFlame {
public:
    using TFlame::Burn;
    using TFlame::SeedFadingRow;
    using TFlame::TFlame;

    std::uint16_t& cell(int row, int x) { return HeatGrid[row * GridWidth + x]; }
    std::uint8_t frameIndex(int displayRow, int column) const {
        return FrameBuffer[displayRow * FrameWidth + column];
    }
    std::uint8_t& fadeLevel() { return FadeLevel; }
    auto grid() const { return HeatGrid; }
    auto frame() const { return FrameBuffer; }
    void clearGrid() { HeatGrid.fill(0); }
};

// What the control paints, over a background of the given colour.
inline QImage rendered(QWidget& control, QColor background = Qt::magenta) {
    QImage image(control.size(), QImage::Format_RGB32);
    image.fill(background);
    control.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

} // namespace larkspur::test
