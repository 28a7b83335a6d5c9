#pragma once

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

// Floats in text, as the journal and pimo-sim's arguments hold them: written with
// nine significant digits, which strtof turns back into the same bits.
inline std::string floatText(float value) {
    char text[24];
    std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

// The whole of `text` as a finite float; false for anything else.
inline bool floatFromText(const std::string& text, float& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value);
}
