#include "render/draw_world.h"

#include <vector>

#include "physics/atom.h"
#include "physics/link.h"
#include "platform/gl.h"
#include "scene/game.h"
#include "scene/texture.h"
#include "scene/triangle.h"

namespace {

// Software GL pays per call: a frame gathers every vertex first and hands each
// batch over in one glDrawArrays. Kept between frames so a frame allocates nothing.
struct Batches {
    struct Run {
        const Texture* texture;
        GLint first;
        GLsizei count;
    };
    std::vector<GLfloat> xyz;
    std::vector<GLfloat> st;
    std::vector<Run> runs;

    GLint size() const { return static_cast<GLint>(xyz.size() / 3); }
    void vertex(float x, float y, float z) { xyz.insert(xyz.end(), {x, y, z}); }
};

Batches batches;

// Triangles come grouped by texture, so each run of equal textures is one batch
// with one bind.
void gatherTriangles(CursorList<Triangle>& triangles) {
    triangles.rewind();
    while (Triangle* t = triangles.advance()) {
        if (batches.runs.empty() || t->texture != batches.runs.back().texture)
            batches.runs.push_back({t->texture, batches.size(), 0});
        if (!t->visible || t->xOfA == nullptr || t->xOfB == nullptr || t->xOfC == nullptr) continue;
        batches.st.insert(batches.st.end(), {t->sA, t->tA, t->sB, t->tB, t->sC, t->tC});
        batches.vertex(*t->xOfA, *t->yOfA, 0.1f);
        batches.vertex(*t->xOfB, *t->yOfB, 0.1f);
        batches.vertex(*t->xOfC, *t->yOfC, 0.1f);
        batches.runs.back().count += 3;
    }
}

void draw(GLenum mode, GLint first, GLint end) {
    if (end > first) glDrawArrays(mode, first, end - first);
}

}  // namespace

void drawWorld(Game& game, Game& client) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    client.applyView();

    batches.xyz.clear();
    batches.st.clear();
    batches.runs.clear();
    gatherTriangles(game.triangles);
    const GLint linesFirst = batches.size();
    game.links.rewind();
    while (Link* link = game.links.advance()) {
        if (!link->visible) continue;
        batches.vertex(link->atomA->x, link->atomA->y, 0.2f);
        batches.vertex(link->atomB->x, link->atomB->y, 0.2f);
    }
    const GLint pointsFirst = batches.size();
    game.atoms.rewind();
    while (Atom* atom = game.atoms.advance())
        if (atom->unlinked) batches.vertex(atom->x, atom->y, 0.3f);

    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, batches.xyz.data());
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    // Texels times opaque white are the texels, and an opaque texel blended over
    // anything is itself: software GL shades each pixel faster without the colour
    // and without reading what lies behind.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, batches.st.data());
    bool blending = true;
    for (const Batches::Run& run : batches.runs) {
        const bool opaque = run.texture != nullptr && run.texture->glFormat == kGlRgb;
        if (opaque == blending) {
            blending = !opaque;
            if (blending)
                glEnable(GL_BLEND);
            else
                glDisable(GL_BLEND);
        }
        glBindTexture(GL_TEXTURE_2D, run.texture != nullptr ? run.texture->glName : 0);
        draw(GL_TRIANGLES, run.first, run.first + run.count);
    }
    if (!blending) glEnable(GL_BLEND);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);

    glColor3f(0, 1, 0);
    draw(GL_LINES, linesFirst, pointsFirst);
    glPointSize(5);
    draw(GL_POINTS, pointsFirst, batches.size());
    glDisableClientState(GL_VERTEX_ARRAY);

    client.drawOverlay();
}
