#include "render/draw_world.h"

#include "physics/atom.h"
#include "physics/link.h"
#include "platform/gl.h"
#include "scene/game.h"
#include "scene/texture.h"
#include "scene/triangle.h"

namespace {

// Triangles come grouped by texture, so each run of equal textures is one batch
// with one bind.
void drawTriangles(CursorList<Triangle>& triangles) {
    bool batchOpen = false;
    const Texture* current = nullptr;
    triangles.rewind();
    while (Triangle* t = triangles.advance()) {
        if (!batchOpen || t->texture != current) {
            if (batchOpen) glEnd();
            current = t->texture;
            glBindTexture(GL_TEXTURE_2D, current != nullptr ? current->glName : 0);
            glBegin(GL_TRIANGLES);
            batchOpen = true;
        }
        if (!t->visible || t->xOfA == nullptr || t->xOfB == nullptr || t->xOfC == nullptr) continue;
        glTexCoord2f(t->sA, t->tA);
        glVertex3f(*t->xOfA, *t->yOfA, 0.1f);
        glTexCoord2f(t->sB, t->tB);
        glVertex3f(*t->xOfB, *t->yOfB, 0.1f);
        glTexCoord2f(t->sC, t->tC);
        glVertex3f(*t->xOfC, *t->yOfC, 0.1f);
    }
    if (batchOpen) glEnd();
}

}  // namespace

void drawWorld(Game& game, Game& client) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    client.applyView();
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    drawTriangles(game.triangles);
    glDisable(GL_TEXTURE_2D);

    glColor3f(0, 1, 0);
    glBegin(GL_LINES);
    game.links.rewind();
    while (Link* link = game.links.advance()) {
        if (!link->visible) continue;
        glVertex3f(link->atomA->x, link->atomA->y, 0.2f);
        glVertex3f(link->atomB->x, link->atomB->y, 0.2f);
    }
    glEnd();

    glPointSize(5);
    glColor3f(0, 1, 0);
    glBegin(GL_POINTS);
    game.atoms.rewind();
    while (Atom* atom = game.atoms.advance()) {
        if (atom->unlinked) glVertex3f(atom->x, atom->y, 0.3f);
    }
    glEnd();

    client.drawOverlay();
}
