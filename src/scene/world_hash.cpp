#include "scene/world_hash.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "physics/atom.h"
#include "physics/link.h"
#include "scene/game.h"
#include "scene/triangle.h"

namespace {

struct Fnv {
    uint64_t value = 0xcbf29ce484222325ull;

    void byte(uint32_t b) {
        value ^= b;
        value *= 0x100000001b3ull;
    }
    void word(uint32_t w) {
        for (int i = 0; i < 4; ++i) byte((w >> (8 * i)) & 0xffu);
    }
    void integer(int32_t i) { word(static_cast<uint32_t>(i)); }
    void real(float f) {
        uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        word(bits);
    }
};

int32_t idOf(const Atom* atom) {
    return atom != nullptr ? atom->id : -1;
}

}  // namespace

uint64_t worldHash(const Game& root) {
    Fnv h;
    h.integer(root.atoms.count);
    root.atoms.forEach([&](const Atom* a) {
        h.integer(a->id);
        h.real(a->x);
        h.real(a->y);
        h.real(a->prevX);
        h.real(a->prevY);
    });
    h.integer(root.links.count);
    root.links.forEach([&](const Link* l) {
        h.integer(idOf(l->atomA));
        h.integer(idOf(l->atomB));
    });
    h.integer(root.triangles.count);
    root.triangles.forEach([&](const Triangle* t) {
        h.integer(idOf(t->atomA));
        h.integer(idOf(t->atomB));
        h.integer(idOf(t->atomC));
    });
    return h.value;
}

uint64_t bytesHash(const uint8_t* data, std::size_t size) {
    Fnv h;
    for (std::size_t i = 0; i < size; ++i) h.byte(data[i]);
    return h.value;
}

std::string hashText(uint64_t hash) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

bool hashFromText(const std::string& text, uint64_t& hash) {
    if (text.size() != 16) return false;
    errno = 0;
    char* end = nullptr;
    hash = std::strtoull(text.c_str(), &end, 16);
    return errno == 0 && *end == '\0' && std::isxdigit(static_cast<unsigned char>(text[0]));
}
