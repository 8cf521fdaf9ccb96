#include <gtest/gtest.h>

#include "about/flame.h"

namespace {

const TFireColor AllSchemes[] = {TFireColor::FireRed,  TFireColor::FireGreen,
                                 TFireColor::FireBlue, TFireColor::FireDeepPurple,
                                 TFireColor::FireCyan, TFireColor::FireYellow};

struct Entry {
    TFireColor scheme;
    int index;
    QRgb colour;
};

} // namespace

TEST(FirePalette, EveryStartsBlackAndEndsInAQuarterOfWhite) {
    TFlame flame;
    for (TFireColor scheme : AllSchemes) {
        SCOPED_TRACE(static_cast<int>(scheme));
        flame.SetFireColor(scheme);
        ASSERT_EQ(flame.GetPalette().size(), 256);
        EXPECT_EQ(flame.GetPalette()[0], qRgb(0, 0, 0));
        for (int index = 192; index < 256; ++index)
            EXPECT_EQ(flame.GetPalette()[index], qRgb(252, 252, 252)) << index;
    }
}

TEST(FirePalette, SchemesPlaceTheThreeRampsInTheirOwnChannels) {
    const Entry table[] = {
        {TFireColor::FireRed, 32, qRgb(128, 0, 0)},
        {TFireColor::FireRed, 100, qRgb(252, 144, 0)},
        {TFireColor::FireRed, 150, qRgb(252, 252, 88)},
        {TFireColor::FireGreen, 100, qRgb(144, 252, 0)},
        {TFireColor::FireBlue, 64, qRgb(0, 0, 252)},
        {TFireColor::FireBlue, 100, qRgb(0, 144, 252)},
        {TFireColor::FireBlue, 150, qRgb(88, 252, 252)},
        {TFireColor::FireDeepPurple, 32, qRgb(128, 0, 128)},
        {TFireColor::FireDeepPurple, 150, qRgb(252, 252, 252)},
        {TFireColor::FireCyan, 32, qRgb(0, 128, 128)},
        {TFireColor::FireCyan, 150, qRgb(88, 252, 252)},
        {TFireColor::FireYellow, 32, qRgb(128, 128, 0)},
        {TFireColor::FireYellow, 150, qRgb(252, 252, 88)},
    };
    TFlame flame;
    EXPECT_EQ(flame.FireColor(), TFireColor::FireRed);
    for (const Entry& entry : table) {
        SCOPED_TRACE(static_cast<int>(entry.scheme));
        flame.SetFireColor(entry.scheme);
        EXPECT_EQ(flame.GetPalette()[entry.index], entry.colour) << entry.index;
    }
}
