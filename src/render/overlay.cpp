#include "render/overlay.h"

#include "platform/gl.h"

namespace {

constexpr float kMargin = 8;
// A glyph's advance: measured from the font where the renderer can tell, else
// that of the widest font the game builds (Courier New, 24 pixels).
float advance = 15;

// Some GL drivers (Wine's among them) compile the space of a bitmap font into a
// list that draws nothing and does not move on. The width a space must then be
// given by hand, or 0 where the font's own space moves on: measured once for the
// font, with colour writes off (reading GL state back stalls a software renderer).
float missingSpaceWidth() {
    GLfloat start[4] = {};
    GLfloat afterLetter[4] = {};
    GLfloat afterSpace[4] = {};
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glRasterPos2f(0, 0);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, start);
    glCallLists(1, GL_UNSIGNED_BYTE, "n");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, afterLetter);
    glCallLists(1, GL_UNSIGNED_BYTE, " ");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, afterSpace);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const float letter = afterLetter[0] - start[0];
    if (letter > 0) advance = letter;
    return afterSpace[0] == afterLetter[0] ? letter : 0;
}

float spaceWidth = 0;
uint32_t measuredFont = 0;

// One line at the raster position, each space moved over by hand where needed.
void drawLine(const std::string& line) {
    std::size_t from = 0;
    while (from < line.size()) {
        std::size_t space = line.find(' ', from);
        if (space == std::string::npos) space = line.size();
        if (space > from)
            glCallLists(static_cast<GLsizei>(space - from), GL_UNSIGNED_BYTE, line.data() + from);
        if (space < line.size()) {
            glCallLists(1, GL_UNSIGNED_BYTE, " ");
            if (spaceWidth > 0) glBitmap(0, 0, 0, 0, spaceWidth, 0, nullptr);
        }
        from = space + 1;
    }
}

void text(const std::string& line, float x, float y, float r, float g, float b) {
    if (line.empty()) return;
    glColor4f(r, g, b, 1);
    glRasterPos2f(x, y);
    drawLine(line);
}

void panel(float x0, float y0, float x1, float y1, float alpha) {
    glColor4f(0.05f, 0.05f, 0.1f, alpha);
    glBegin(GL_QUADS);
    glVertex3f(x0, y0, 0);
    glVertex3f(x1, y0, 0);
    glVertex3f(x1, y1, 0);
    glVertex3f(x0, y1, 0);
    glEnd();
}

// A dim panel under lines of text (a panel costs one quad where a drop shadow
// would draw every glyph twice, which software GL feels).
void underlay(const std::vector<std::string>& lines, float x, float top, float line) {
    std::size_t longest = 0;
    for (const std::string& l : lines) longest = l.size() > longest ? l.size() : longest;
    if (longest == 0) return;
    panel(x - 4, top - line * static_cast<float>(lines.size()) - 2,
          x + advance * static_cast<float>(longest) + 4, top + 2, 0.6f);
}

}  // namespace

void drawOverlayText(const OverlayText& overlay, uint32_t fontBase, int32_t width, int32_t height) {
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    constexpr auto line = static_cast<float>(kOverlayLineHeight);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glListBase(fontBase - 32);
    if (measuredFont != fontBase) {
        spaceWidth = missingSpaceWidth();
        measuredFont = fontBase;
    }

    underlay(overlay.corner, kMargin, h - kMargin + 4, line);
    float y = h - kMargin - 18;
    for (const std::string& l : overlay.corner) {
        text(l, kMargin, y, 1.0f, 1.0f, 0.6f);
        y -= line;
    }

    y = kMargin + 6 + line * static_cast<float>(overlay.messages.size());
    underlay(overlay.messages, kMargin, y - 2, line);
    for (const std::string& l : overlay.messages) {
        y -= line;
        text(l, kMargin, y, 1.0f, 0.55f, 0.3f);
    }

    if (!overlay.card.empty()) {
        std::size_t longest = 0;
        for (const std::string& l : overlay.card) longest = l.size() > longest ? l.size() : longest;
        const float cardW = advance * static_cast<float>(longest) + 2 * kMargin;
        const float cardH = line * static_cast<float>(overlay.card.size()) + 2 * kMargin;
        const float x0 = (w - cardW) / 2 > 0 ? (w - cardW) / 2 : 0;
        // Centred, but below the corner lines where the window leaves room.
        const float below = h - 2 * kMargin - line * static_cast<float>(overlay.corner.size());
        float y1 = (h + cardH) / 2;
        if (y1 > below) y1 = below > cardH ? below : (h + cardH) / 2;
        if (y1 > h) y1 = h;
        panel(x0, y1 - cardH, x0 + cardW, y1, 0.85f);
        y = y1 - kMargin - 18;
        for (const std::string& l : overlay.card) {
            text(l, x0 + kMargin, y, 0.85f, 0.95f, 1.0f);
            y -= line;
        }
    }

    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}
