// pimo-sim built without the game's drawing (PIMO_BUILD_GAME off): --png says so.
#include "world_picture.h"

struct OffscreenGl::Handles {};

OffscreenGl::OffscreenGl() = default;
OffscreenGl::~OffscreenGl() = default;

bool OffscreenGl::open(int32_t, int32_t, std::string& error) {
    error = "--png is not available: this pimo-sim was built without the game's drawing";
    return false;
}

bool WorldPicture::open(std::string& error) {
    return context.open(0, 0, error);
}

bool WorldPicture::write(Game&, const std::string&, std::string& error) {
    error = "--png is not available";
    return false;
}
