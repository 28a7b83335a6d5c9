#include "render/grid.h"

#include "platform/gl.h"

void Grid::drawGridLines(int32_t x0, int32_t y0, int32_t spacing, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        glLineWidth(1);
        glColor4f(0, 0, 0, 0.5f);
        if (i % 2 == 0) {
            glLineWidth(2);
            glColor4f(0, 0, 0, 0.75f);
        }
        if (i % 4 == 0) {
            glLineWidth(3);
            glColor4f(0, 0, 0, 1);
        }
        if (i % 8 == 0) glLineWidth(4);
        if (i % 16 == 0) glLineWidth(5);

        // Wrapping arithmetic: a huge count must not overflow a signed int.
        const uint32_t offset = i * static_cast<uint32_t>(spacing);
        const auto y = static_cast<GLint>(static_cast<uint32_t>(y0) + offset);
        const auto x = static_cast<GLint>(static_cast<uint32_t>(x0) + offset);
        glBegin(GL_LINES);
        glVertex3i(0, y, 2);
        glVertex3i(4096, y, 2);
        glVertex3i(x, 0, 2);
        glVertex3i(x, 4096, 2);
        glEnd();
    }
}
