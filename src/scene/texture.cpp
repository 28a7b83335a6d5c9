#include "scene/texture.h"

namespace {
uint64_t nextSerial = 1;
}

Texture::Texture() : serial(nextSerial++) {}
