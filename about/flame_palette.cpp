// The fire's 256 colours: black through red, yellow and white, channels swapped per scheme.
#include "about/flame.h"

namespace {

struct Levels {
    int x, y, z; // 0 to 63 each
};

Levels levelsOf(int index) {
    if (index < 64)
        return {index, 0, 0};
    if (index < 128)
        return {63, index - 64, 0};
    if (index < 192)
        return {63, 63, index - 128};
    return {63, 63, 63};
}

QRgb colourOf(TFireColor scheme, Levels levels) {
    const int x = 4 * levels.x;
    const int y = 4 * levels.y;
    const int z = 4 * levels.z;
    switch (scheme) {
    case TFireColor::FireRed:
        break;
    case TFireColor::FireGreen:
        return qRgb(y, x, z);
    case TFireColor::FireBlue:
        return qRgb(z, y, x);
    case TFireColor::FireDeepPurple:
        return qRgb(x, y, x);
    case TFireColor::FireCyan:
        return qRgb(z, x, x);
    case TFireColor::FireYellow:
        return qRgb(x, x, z);
    }
    return qRgb(x, y, z);
}

} // namespace

QList<QRgb> TFlame::BuildPalette() const {
    QList<QRgb> palette;
    palette.reserve(256);
    for (int index = 0; index < 256; ++index)
        palette.append(colourOf(FFireColor, levelsOf(index)));
    return palette;
}
