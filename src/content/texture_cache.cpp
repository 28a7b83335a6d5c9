#include "content/texture_cache.h"

#include <cassert>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "content/tga.h"
#include "scene/texture.h"

namespace {

struct Entry {
    std::unique_ptr<Texture> texture;
    int users = 0;
};

TextureUploader currentUploader = nullptr;
TextureReleaser currentReleaser = nullptr;

std::map<std::string, Entry>& entries() {
    static std::map<std::string, Entry> byName;
    return byName;
}

}  // namespace

void setTextureUploader(TextureUploader uploader) {
    currentUploader = uploader;
}

void setTextureReleaser(TextureReleaser releaser) {
    currentReleaser = releaser;
}

Texture* acquireTexture(const char* name) {
    Entry& entry = entries()[name];
    if (entry.texture == nullptr) {
        entry.texture = std::make_unique<Texture>();
        Texture& t = *entry.texture;
        std::strncpy(t.name, name, sizeof t.name - 1);
        loadTga(t, t.name);
        // An image that failed to load still has to show as something.
        makeFallbackTexture(t);
        if (currentUploader != nullptr) currentUploader(t);
    }
    entry.users += 1;
    return entry.texture.get();
}

void releaseTexture(Texture* texture) {
    auto found = entries().find(texture->name);
    assert(found != entries().end() && found->second.texture.get() == texture &&
           "releaseTexture: not a shared texture");
    if (found == entries().end() || found->second.texture.get() != texture) return;
    if (--found->second.users > 0) return;
    if (currentReleaser != nullptr) currentReleaser(*texture);
    entries().erase(found);
}

std::size_t sharedTextureCount() {
    return entries().size();
}
