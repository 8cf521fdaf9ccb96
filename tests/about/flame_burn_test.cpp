#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <utility>

#include "tests/about/open_flame.h"

using larkspur::test::OpenFlame;

namespace {

using Cell = std::pair<int, int>; // row, column

// Every cell of the grid that holds heat.
std::map<Cell, int> heatedCells(OpenFlame& flame) {
    std::map<Cell, int> cells;
    for (int r = 0; r < TFlame::GridRows; ++r)
        for (int x = 0; x < TFlame::GridWidth; ++x)
            if (flame.cell(r, x) != 0)
                cells[{r, x}] = flame.cell(r, x);
    return cells;
}

class Burning : public ::testing::Test {
protected:
    void SetUp() override { flame.SetEnabled(false); }
    OpenFlame flame;
};

} // namespace

TEST_F(Burning, HeatAtTheRightEdgeFeedsTheLeftEdgeOfItsOwnRow) {
    flame.cell(60, 159) = 200;
    flame.Burn();
    // Readers of (60, 159): the wrap at (60, 0), the row above and the cell two rows up.
    const std::map<Cell, int> first = {
        {{60, 0}, 49}, {{59, 158}, 49}, {{59, 159}, 49}, {{58, 159}, 49}};
    EXPECT_EQ(heatedCells(flame), first);

    flame.Burn();
    const std::map<Cell, int> second = {{{59, 0}, 23},   {{59, 1}, 11},   {{58, 0}, 23},
                                        {{58, 157}, 11}, {{58, 158}, 23}, {{58, 159}, 35},
                                        {{57, 158}, 23}, {{57, 159}, 23}, {{56, 159}, 11}};
    EXPECT_EQ(heatedCells(flame), second);
}

TEST_F(Burning, HeatAtTheLeftEdgeFeedsTheRightEdgeTwoRowsUp) {
    flame.cell(70, 0) = 100;
    flame.Burn();
    const std::map<Cell, int> expected = {
        {{69, 0}, 24}, {{69, 1}, 24}, {{68, 159}, 24}, {{68, 0}, 24}};
    EXPECT_EQ(heatedCells(flame), expected);
}

TEST_F(Burning, AveragesFourCellsAndCoolsByOneWithoutGoingBelowZero) {
    flame.cell(90, 100) = 40;
    flame.cell(90, 101) = 80;
    flame.cell(40, 50) = 7; // a quarter of it is 1, cooled to nothing
    flame.Burn();
    const std::map<Cell, int> expected = {{{89, 99}, 9},   {{89, 100}, 29}, {{89, 101}, 29},
                                          {{89, 102}, 19}, {{88, 100}, 9},  {{88, 101}, 19}};
    EXPECT_EQ(heatedCells(flame), expected);
}

TEST_F(Burning, SeedRowsAreReadButNeverBurned) {
    flame.cell(98, 5) = 256;
    flame.cell(99, 20) = 256;
    flame.Burn();
    EXPECT_EQ(flame.cell(98, 5), 256);
    EXPECT_EQ(flame.cell(99, 20), 256);
    EXPECT_EQ(flame.cell(97, 4), 63);
    EXPECT_EQ(flame.cell(97, 20), 63);
    EXPECT_EQ(flame.cell(96, 5), 63);
}

TEST_F(Burning, DrawsEachCellAsAMirroredTwoByTwoBlockBelowTwoBlackRows) {
    flame.cell(60, 159) = 200;
    flame.cell(98, 0) = 256;
    flame.Burn();
    // (60, 0) = 49 lands at the right end, (59, 159) = 49 at the left end.
    for (int row : {122, 123})
        for (int column : {318, 319})
            EXPECT_EQ(flame.frameIndex(row, column), 49);
    for (int row : {120, 121})
        for (int column : {0, 1})
            EXPECT_EQ(flame.frameIndex(row, column), 49);
    EXPECT_EQ(flame.frameIndex(197, 318), 63); // fire row 97, x = 0
    EXPECT_EQ(flame.frameIndex(197, 315), 0);  // x = 2 has no heat below it
    for (int row : {0, 1, 198, 199})
        for (int column = 0; column < TFlame::FrameWidth; ++column)
            ASSERT_EQ(flame.frameIndex(row, column), 0) << row << "," << column;
}

TEST_F(Burning, FirstTickColoursOnlyTheTwoLowestFireRows) {
    std::srand(7);
    flame.Tick();
    int coloured = 0;
    for (int row = 0; row < TFlame::FrameHeight; ++row)
        for (int column = 0; column < TFlame::FrameWidth; ++column)
            if (flame.frameIndex(row, column) != 0) {
                ++coloured;
                ASSERT_TRUE(row >= 194 && row <= 197) << row;
            }
    EXPECT_GT(coloured, 0);
}

TEST_F(Burning, SeedsHeatOnlyTheMiddleColumnsWithFullOrNoHeat) {
    std::srand(11);
    for (int tick = 0; tick < 30; ++tick)
        flame.Tick();
    for (int x = 0; x < TFlame::GridWidth; ++x) {
        const int seed = flame.cell(98, x);
        if (x < 10 || x > 149)
            EXPECT_EQ(seed, 0) << x;
        else
            EXPECT_TRUE(seed == 0 || seed == 256) << x;
        EXPECT_EQ(flame.cell(99, x), 0) << x; // a thin flame never heats the lower seed row
    }
}

TEST_F(Burning, SolidFlameHeatsBothSeedRowsOverTime) {
    std::srand(3);
    flame.SolidFlame = true;
    for (int tick = 0; tick < 30; ++tick)
        flame.Tick();
    int heatedInLowerRow = 0;
    for (int x = 10; x <= 149; ++x)
        heatedInLowerRow += flame.cell(99, x) == 256;
    EXPECT_GT(heatedInLowerRow, 0);
}

TEST_F(Burning, FadingSeedsStayWithinTheFadeLevelAndTheLastOneStopsTheFire) {
    std::srand(5);
    flame.fadeLevel() = 3;
    flame.SeedFadingRow(98);
    for (int x = 10; x <= 149; ++x)
        EXPECT_LE(flame.cell(98, x), 3);
    EXPECT_EQ(flame.fadeLevel(), 2);

    flame.SetEnabled(true);
    flame.SetFadeOut(true); // switching a fade on keeps the level where it is
    EXPECT_EQ(flame.fadeLevel(), 2);
    flame.fadeLevel() = 0;
    flame.SeedFadingRow(99);
    for (int x = 10; x <= 149; ++x)
        EXPECT_LE(flame.cell(99, x), 1);
    EXPECT_FALSE(flame.Enabled());
    EXPECT_FALSE(flame.FadeOut());
    EXPECT_EQ(flame.fadeLevel(), 255);
}

TEST_F(Burning, HotSpotsLandOnlyOnInnerCellsOfTheGrid) {
    flame.SetHotSpot(1, 1);
    flame.SetHotSpot(159, 99);
    EXPECT_EQ(flame.cell(1, 1), 256);
    EXPECT_EQ(flame.cell(99, 159), 256);

    const auto before = flame.grid();
    const auto frameBefore = flame.frame();
    for (auto [x, y] :
         {std::pair{0, 5}, {5, 0}, {160, 5}, {255, 5}, {5, 100}, {5, 150}, {159, 199}, {5, 255}})
        flame.SetHotSpot(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y));
    EXPECT_EQ(flame.grid(), before);
    EXPECT_EQ(flame.frame(), frameBefore);
    EXPECT_EQ(flame.BottomRange(), 0);
}
