#include "about/name_image.h"

#include <QPainter>
#include <QPainterPath>
#include <random>
#include <vector>

namespace {

constexpr QSize ImageSize(250, 170);
constexpr int Margin = 14;

// Letters are drawn as brush strokes in a box where the capitals run from y = 0 to the
// baseline at y = 10, small letters from y = 4, descenders to y = 14.
using Stroke = std::vector<QPointF>;

struct Glyph {
    std::vector<Stroke> strokes;
    qreal advance;
};

const Glyph L{{{{0.4, 0}, {0.2, 5}, {0, 10}}, {{0, 10}, {2.5, 9.6}, {5, 9.9}}}, 5.6};
const Glyph a{{{{4.4, 5.2}, {3, 4.1}, {1.2, 4.6}, {0.2, 7}, {0.9, 9.6}, {2.7, 10}, {4.4, 8.4}},
               {{4.6, 4.1}, {4.5, 8}, {5, 10}}},
              5.6};
const Glyph r{{{{0, 4.2}, {0.1, 10}}, {{0.1, 7}, {1, 5}, {2.4, 4.1}, {3.6, 4.4}}}, 4.4};
const Glyph k{{{{0, 0}, {0.1, 10}}, {{3.8, 4.2}, {0.3, 7.3}}, {{1.3, 6.5}, {4, 10}}}, 4.6};
const Glyph s{{{{3.8, 4.9},
                {2.3, 4.1},
                {0.6, 4.6},
                {0.7, 6.4},
                {3.2, 7.2},
                {3.9, 8.8},
                {2.3, 10},
                {0.1, 9.3}}},
              4.6};
const Glyph p{{{{0.2, 4.1}, {0, 14}},
               {{0.1, 5.6}, {1.8, 4.2}, {3.8, 4.6}, {4.5, 7}, {3.8, 9.4}, {1.9, 10}, {0.1, 9}}},
              5.2};
const Glyph u{{{{0, 4.1}, {0.1, 8.4}, {1.3, 10}, {3, 9.9}, {4.4, 8.2}}, {{4.5, 4.1}, {4.6, 10}}},
              5.3};

const std::vector<const Glyph*> Name{&L, &a, &r, &k, &s, &p, &u, &r};
constexpr qreal LetterGap = 0.9;

// The same picture on every run: the wobble comes from a fixed seed.
class Hand {
public:
    qreal wobble(qreal amount) {
        return std::uniform_real_distribution<qreal>(-amount, amount)(rng_);
    }

private:
    std::mt19937 rng_{1729};
};

// A smooth curve through the points (Catmull-Rom as cubic segments).
QPainterPath curveThrough(const Stroke& points) {
    QPainterPath path(points.front());
    const auto at = [&](std::ptrdiff_t i) {
        return points[static_cast<std::size_t>(
            std::clamp<std::ptrdiff_t>(i, 0, static_cast<std::ptrdiff_t>(points.size()) - 1))];
    };
    for (std::ptrdiff_t i = 0; i + 1 < static_cast<std::ptrdiff_t>(points.size()); ++i)
        path.cubicTo(at(i) + (at(i + 1) - at(i - 1)) / 6, at(i + 1) - (at(i + 2) - at(i)) / 6,
                     at(i + 1));
    return path;
}

Stroke shaken(const Stroke& stroke, const QTransform& placement, Hand& hand) {
    Stroke result;
    for (const QPointF& point : stroke)
        result.push_back(placement.map(point) + QPointF(hand.wobble(0.12), hand.wobble(0.12)));
    return result;
}

// Each letter leans and sits a little differently, as when written by hand.
std::vector<QTransform> letterPlacements(Hand& hand) {
    std::vector<QTransform> placements;
    qreal x = 0;
    for (const Glyph* glyph : Name) {
        QTransform placement;
        placement.translate(x + glyph->advance / 2, 5 + hand.wobble(0.35));
        placement.rotate(hand.wobble(5));
        placement.translate(-glyph->advance / 2, -5);
        placements.push_back(placement);
        x += glyph->advance + LetterGap;
    }
    return placements;
}

// One pass of the brush over every letter, in one red level.
void brushPass(QPainter& painter, const std::vector<QTransform>& placements, qreal width, int level,
               Hand& hand) {
    painter.setPen(QPen(QColor(level, 0, 0), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (std::size_t i = 0; i < Name.size(); ++i)
        for (const Stroke& stroke : Name[i]->strokes)
            painter.drawPath(curveThrough(shaken(stroke, placements[i], hand)));
}

// Slanted, scaled to fill the picture less its margin, and centred.
QTransform pageTransform() {
    qreal width = -LetterGap;
    for (const Glyph* glyph : Name)
        width += glyph->advance + LetterGap;
    const QRectF box = QTransform().shear(-0.2, 0).mapRect(QRectF(0, 0, width, 14));
    const qreal scale = (ImageSize.width() - 2 * Margin) / box.width();
    QTransform page;
    page.translate(ImageSize.width() / 2.0, ImageSize.height() / 2.0);
    page.scale(scale, scale);
    page.translate(-box.center().x(), -box.center().y());
    page.shear(-0.2, 0);
    return page;
}

QList<QRgb> redTable() {
    QList<QRgb> table;
    for (int level = 0; level < 256; ++level)
        table.append(qRgb(level, level / 6, level / 12));
    return table;
}

} // namespace

QImage drawNameImage() {
    QImage canvas(ImageSize, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(pageTransform());
        Hand hand;
        const std::vector<QTransform> placements = letterPlacements(hand);
        brushPass(painter, placements, 1.7, 70, hand);   // dark edge
        brushPass(painter, placements, 1.1, 200, hand);  // body
        brushPass(painter, placements, 0.45, 255, hand); // wet streak
    }
    // The red level of each pixel is its index in the red table.
    QImage image(ImageSize, QImage::Format_Indexed8);
    image.setColorTable(redTable());
    for (int y = 0; y < ImageSize.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        uchar* target = image.scanLine(y);
        for (int x = 0; x < ImageSize.width(); ++x)
            target[x] = static_cast<uchar>(qRed(source[x]));
    }
    return image;
}
