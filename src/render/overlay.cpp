#include "render/overlay.h"

#include <algorithm>

#include "platform/gl.h"

namespace {

constexpr float kMargin = 8;
// The cell of the built-in font, for a font that cannot be measured.
constexpr float kFallbackAdvance = 12;

// How far each character (32 to 127) moves the raster position on, by font.
struct Metrics {
    uint32_t font = 0;
    float advance[96] = {};
    // Some GL drivers (Wine's among them) compile the space of a bitmap font into
    // a list that draws nothing and does not move on; it is then moved by hand.
    float missingSpace = 0;
};

Metrics metrics;

// Measured once per font, with colour writes off (reading GL state back stalls a
// software renderer, so not per frame).
void measure(uint32_t font) {
    metrics.font = font;
    GLfloat position[4] = {};
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glRasterPos2f(0, 0);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    float x = position[0];
    for (int i = 0; i < 96; ++i) {
        const auto c = static_cast<GLubyte>(32 + i);
        glCallLists(1, GL_UNSIGNED_BYTE, &c);
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        metrics.advance[i] = position[0] - x;
        x = position[0];
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    float& space = metrics.advance[0];
    const float letter = metrics.advance['n' - 32];
    if (letter <= 0) {
        std::fill(std::begin(metrics.advance), std::end(metrics.advance), kFallbackAdvance);
        metrics.missingSpace = 0;
    } else {
        metrics.missingSpace = space > 0 ? 0 : letter;
        space += metrics.missingSpace;
    }
}

float advanceOf(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 32 && code < 128 ? metrics.advance[code - 32] : 0;
}

float widthOf(const std::string& line) {
    float width = 0;
    for (char c : line) width += advanceOf(c);
    return width;
}

// The line in rows no wider than `room`, broken after a word where one fits.
std::vector<std::string> wrapped(const std::string& line, float room) {
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (start < line.size()) {
        float used = 0;
        std::size_t end = start;
        std::size_t lastSpace = std::string::npos;
        for (; end < line.size(); ++end) {
            const float width = advanceOf(line[end]);
            if (used + width > room && end > start) break;
            if (line[end] == ' ') lastSpace = end;
            used += width;
        }
        if (end < line.size() && line[end] != ' ' && lastSpace != std::string::npos &&
            lastSpace > start)
            end = lastSpace;
        rows.push_back(line.substr(start, end - start));
        start = end;
        while (start < line.size() && line[start] == ' ') ++start;
    }
    return rows;
}

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
            if (metrics.missingSpace > 0) glBitmap(0, 0, 0, 0, metrics.missingSpace, 0, nullptr);
        }
        from = space + 1;
    }
}

struct Colour {
    float r, g, b;
};

constexpr Colour kCornerColour = {1.0f, 1.0f, 0.6f};
constexpr Colour kErrorColour = {1.0f, 0.55f, 0.3f};
constexpr Colour kInfoColour = {0.15f, 0.9f, 0.15f};
constexpr Colour kCardColour = {0.85f, 0.95f, 1.0f};

void text(const std::string& line, float x, float y, Colour colour) {
    if (line.empty()) return;
    glColor4f(colour.r, colour.g, colour.b, 1);
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
template <typename Lines, typename TextOf>
void underlay(const Lines& lines, TextOf textOf, float x, float top, float line) {
    float widest = 0;
    for (const auto& l : lines) widest = std::max(widest, widthOf(textOf(l)));
    if (widest == 0) return;
    panel(x - 4, top - line * static_cast<float>(lines.size()) - 2, x + widest + 4, top + 2, 0.6f);
}

std::vector<std::string> cellsOf(const std::string& row) {
    std::vector<std::string> cells;
    std::size_t from = 0;
    for (std::size_t tab = row.find('\t'); tab != std::string::npos; tab = row.find('\t', from)) {
        cells.push_back(row.substr(from, tab - from));
        from = tab + 1;
    }
    cells.push_back(row.substr(from));
    return cells;
}

// Where each column starts: after the widest cell of the column before that has a
// cell after it, and a gap.
std::vector<float> columnStarts(const std::vector<std::vector<std::string>>& rows) {
    std::vector<float> starts(1, 0);
    const float gap = 2 * advanceOf(' ');
    for (std::size_t column = 1;; ++column) {
        float start = -1;
        for (const auto& cells : rows)
            if (cells.size() > column)
                start = std::max(start, starts[column - 1] + widthOf(cells[column - 1]) + gap);
        if (start < 0) return starts;
        starts.push_back(start);
    }
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
    if (metrics.font != fontBase) measure(fontBase);

    const auto plain = [](const std::string& l) -> const std::string& { return l; };
    underlay(overlay.corner, plain, kMargin, h - kMargin + 4, line);
    float y = h - kMargin - 18;
    for (const std::string& l : overlay.corner) {
        text(l, kMargin, y, kCornerColour);
        y -= line;
    }

    std::vector<OverlayMessage> rows;
    for (const OverlayMessage& m : overlay.messages)
        for (std::string& row : wrapped(m.text, w - 2 * kMargin))
            rows.push_back({std::move(row), m.severity});
    y = kMargin + 6 + line * static_cast<float>(rows.size());
    const float barTop = rows.empty() ? 0 : y + 2;
    underlay(
        rows, [](const OverlayMessage& m) -> const std::string& { return m.text; }, kMargin, y - 2,
        line);
    for (const OverlayMessage& m : rows) {
        y -= line;
        text(m.text, kMargin, y, m.severity == Severity::error ? kErrorColour : kInfoColour);
    }

    if (!overlay.card.empty()) {
        std::vector<std::vector<std::string>> cells;
        for (const std::string& row : overlay.card) cells.push_back(cellsOf(row));
        const std::vector<float> starts = columnStarts(cells);
        float textWidth = 0;
        for (const auto& row : cells)
            textWidth = std::max(textWidth, starts[row.size() - 1] + widthOf(row.back()));
        const float cardW = textWidth + 2 * kMargin;
        const float cardH = line * static_cast<float>(cells.size()) + 2 * kMargin;
        const float x0 = (w - cardW) / 2 > 0 ? (w - cardW) / 2 : 0;
        // Centred, but below the corner lines where the window leaves room, and
        // above the messages before that.
        const float below = h - 2 * kMargin - line * static_cast<float>(overlay.corner.size());
        float y1 = std::min((h + cardH) / 2, below);
        if (y1 - cardH < barTop) y1 = barTop + cardH;
        if (y1 > h) y1 = h;
        panel(x0, y1 - cardH, x0 + cardW, y1, 0.85f);
        y = y1 - kMargin - 18;
        for (const auto& row : cells) {
            for (std::size_t i = 0; i < row.size(); ++i)
                text(row[i], x0 + kMargin + starts[i], y, kCardColour);
            y -= line;
        }
    }

    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}
