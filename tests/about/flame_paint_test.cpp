#include <gtest/gtest.h>

#include "tests/about/open_flame.h"

using larkspur::test::OpenFlame;
using larkspur::test::rendered;

namespace {

const QRgb Red63 = qRgb(252, 0, 0); // index 63 of the red scheme
const QRgb Blue = qRgb(0, 0, 255);

class Painting : public ::testing::Test {
protected:
    void SetUp() override { flame.SetEnabled(false); }

    // Heat under grid column x: fire row 97 shows index 63 in display columns 318 - 2x.
    void burnUnderColumn(int x) {
        flame.cell(98, x) = 256;
        flame.Burn();
    }

    OpenFlame flame;
};

// Left half black, right half blue.
QImage halfBlackHalfBlue(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            image.setPixel(x, y, Blue);
    return image;
}

} // namespace

TEST_F(Painting, ShowsTheFrameThroughThePaletteAndFollowsTheScheme) {
    EXPECT_EQ(rendered(flame).pixel(160, 100), qRgb(0, 0, 0)); // a new control is black
    burnUnderColumn(5);
    QImage picture = rendered(flame);
    EXPECT_EQ(picture.pixel(308, 196), Red63);
    EXPECT_EQ(picture.pixel(309, 197), Red63);
    EXPECT_EQ(picture.pixel(308, 198), qRgb(0, 0, 0));

    flame.SetFireColor(TFireColor::FireBlue);
    EXPECT_EQ(rendered(flame).pixel(308, 196), qRgb(0, 0, 252));
}

TEST_F(Painting, AShorterControlShowsTheBottomOfTheFrameAndAWiderOneBlackBeyondIt) {
    burnUnderColumn(5);
    flame.resize(321, 150);
    const QImage picture = rendered(flame);
    EXPECT_EQ(picture.pixel(308, 146), Red63);
    EXPECT_EQ(picture.pixel(320, 146), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(320, 0), qRgb(0, 0, 0));
}

TEST_F(Painting, ImageStandsCentredInTheFlamesWithBlackSeeThrough) {
    burnUnderColumn(80); // index 63 in display columns 156 to 161 of rows 196 and 197
    flame.SetImage(halfBlackHalfBlue(8, 200)); // drawn over columns 156 to 163
    const QImage picture = rendered(flame);
    EXPECT_EQ(picture.pixel(157, 196), Red63);
    EXPECT_EQ(picture.pixel(160, 196), Blue);
    EXPECT_EQ(picture.pixel(163, 0), Blue);
    EXPECT_EQ(picture.pixel(155, 196), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(164, 0), qRgb(0, 0, 0));
}

TEST_F(Painting, AnImageLargerThanTheControlIsCutAtItsEdges) {
    QImage image(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 7));
    flame.SetImage(image); // offset (-40, -50)
    const QImage picture = rendered(flame);
    EXPECT_EQ(picture.pixel(0, 0), qRgb(40, 50, 7));
    EXPECT_EQ(picture.pixel(319, 199), qRgb(359 % 256, 249, 7));
}

TEST_F(Painting, BottomRangeLeavesTheLowestRowsUnpainted) {
    flame.SetBottomRange(50);
    const QImage picture = rendered(flame);
    EXPECT_EQ(picture.pixel(10, 149), qRgb(0, 0, 0));
    for (int y = 150; y < 200; ++y)
        ASSERT_EQ(picture.pixel(10, y), QColor(Qt::magenta).rgb()) << y;

    flame.SetBottomRange(255); // beyond the range: as much as the range allows
    EXPECT_EQ(flame.BottomRange(), 199);
    EXPECT_EQ(rendered(flame).pixel(10, 0), qRgb(0, 0, 0));
}
