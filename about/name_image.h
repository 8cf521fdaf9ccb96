#pragma once

#include <QImage>

// The program's name in red brush letters on black, 250 x 170, 8 bits per pixel with a
// 256-colour table. Index 0 is the only black, so everything else shows over the fire.
QImage drawNameImage();
