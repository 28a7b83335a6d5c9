#pragma once

#include <string>

#include "render/picture.h"

// Reference pictures: tests/data/pictures/NAME.png, compared with what a scene
// drew. A pixel differs when one of its channels is off by more than
// kChannelTolerance; a picture matches while at most kDifferingPixels differ. A
// faulty drawing moves whole lines, points, glyphs or texels, hundreds of pixels
// at the least; the same drawing on another run or machine moves none or a few.
inline constexpr int kChannelTolerance = 24;
inline constexpr long kDifferingPixels = 40;

// Empty when the picture matches NAME.png; otherwise what is wrong, and NAME-actual.png
// and NAME-diff.png (differing pixels red over a dimmed reference) are written
// next to the build. With PIMO_UPDATE_PICTURES=1 the picture becomes the reference.
std::string checkPicture(const std::string& name, const Picture& actual);

// A PNG file decoded; an empty picture when it cannot be read.
Picture loadPng(const std::string& path);
