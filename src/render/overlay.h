#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/report.h"

// A line in the message bar: errors stand out from everything else.
struct OverlayMessage {
    std::string text;
    Severity severity;
};

// Text drawn over the world: a few lines in the top-left corner, messages along
// the bottom, and an optional card in the middle on a dark panel.
struct OverlayText {
    std::vector<std::string> corner;
    std::vector<OverlayMessage> messages;  // oldest first; the newest is the lowest
    // Rows of cells parted by '\t': the n-th cells of all rows start at one x.
    std::vector<std::string> card;
};

inline constexpr int32_t kOverlayLineHeight = 24;

// Draws with the font display lists (fontBase holds characters 32 to 127) in
// window pixels, over everything already drawn. Messages wider than the window
// go on over more lines. Restores the model-view matrix and the depth test;
// leaves the colour changed.
void drawOverlayText(const OverlayText& text, uint32_t fontBase, int32_t width, int32_t height);
