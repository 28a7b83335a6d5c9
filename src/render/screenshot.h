#pragma once

#include <cstdint>
#include <string>

// Writes width x height pixels of the current GL context's read buffer as
// screenshot-NNNN.png in the working directory, NNNN the lowest free number from
// 0001; an existing file is never replaced. Returns the name written, or "" with
// the reason in error.
std::string saveScreenshot(int32_t width, int32_t height, std::string& error);
