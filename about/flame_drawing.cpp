// Burning the heat grid and drawing the frame, with Image over it, onto the control.
#include "about/flame.h"

#include <QPainter>
#include <algorithm>

namespace {

const QRgb Black = qRgb(0, 0, 0);

QImage withBlackTransparent(const QImage& image) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            if ((line[x] & RGB_MASK) == 0)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return result.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

void TFlame::Burn() {
    // In place and in linear order: each cell reads the row below (left, middle, right)
    // and the cell two rows down, so x = 0 and x = 159 take neighbours across the row ends.
    std::uint16_t* grid = HeatGrid.data();
    for (int r = 0; r < BurnedRows; ++r) {
        for (int x = 0; x < GridWidth; ++x) {
            const int i = r * GridWidth + x;
            const int sum = grid[i + GridWidth - 1] + grid[i + GridWidth] +
                            grid[i + GridWidth + 1] + grid[i + 2 * GridWidth];
            int heat = sum / 4;
            if (heat > 0)
                --heat; // cooling
            // No cell holds more than 256, so heat stays within a palette index.
            grid[i] = static_cast<std::uint16_t>(heat);
            plot(r, x, static_cast<std::uint8_t>(heat));
        }
    }
    Paint();
}

void TFlame::plot(int row, int x, std::uint8_t index) {
    // Double size, mirrored left to right, two black rows above and below.
    const int top = (2 * row + 2) * FrameWidth;
    const int left = FrameWidth - 2 - 2 * x;
    for (int offset : {top + left, top + FrameWidth + left}) {
        FrameBuffer[offset] = index;
        FrameBuffer[offset + 1] = index;
    }
}

void TFlame::SetImage(const QImage& Value) {
    FImage = Value.copy();
    transparentImage_ = FImage.isNull() ? QImage() : withBlackTransparent(FImage);
    Paint();
}

int TFlame::paintedHeight() const {
    return std::max(0, height() - FBottomRange);
}

void TFlame::Paint() {
    composeBackBuffer();
    update(0, 0, width(), paintedHeight());
}

void TFlame::composeBackBuffer() {
    if (width() <= 0 || height() <= 0)
        return;
    if (BackBuffer.size() != size())
        BackBuffer = QImage(size(), QImage::Format_RGB32);
    copyFrameToBackBuffer();
    if (transparentImage_.isNull())
        return;
    QPainter painter(&BackBuffer);
    painter.drawImage(QPoint(width() / 2 - transparentImage_.width() / 2,
                             height() / 2 - transparentImage_.height() / 2),
                      transparentImage_);
}

void TFlame::copyFrameToBackBuffer() {
    // The frame stands on the control's bottom edge: a shorter control shows its lower
    // rows, a taller one has black above it; columns past the frame are black.
    const int shownColumns = std::min(width(), FrameWidth);
    const int frameRowAtTop = FrameHeight - height();
    for (int y = 0; y < height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(BackBuffer.scanLine(y));
        const int frameRow = frameRowAtTop + y;
        int x = 0;
        if (frameRow >= 0 && frameRow < FrameHeight) {
            const std::uint8_t* indices = FrameBuffer.data() + frameRow * FrameWidth;
            for (; x < shownColumns; ++x)
                line[x] = FirePalette[indices[x]];
        }
        std::fill(line + x, line + width(), Black);
    }
}

void TFlame::paintEvent(QPaintEvent*) {
    if (BackBuffer.size() != size())
        composeBackBuffer();
    if (BackBuffer.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), BackBuffer, QRect(0, 0, width(), paintedHeight()));
}
