#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes `bytes` as the first free name `format` makes of the numbers 1 to 9999
// (one %04d in it) in the output folder (content/output_path.h). Creating the file
// exclusively claims the number, so an existing file is never replaced. Returns the
// path written, or "" with the reason in error; `what` names the kind of file there
// ("screenshot").
std::string writeNumberedFile(const char* format, const char* what,
                              const std::vector<uint8_t>& bytes, std::string& error);

// Writes `bytes` to `path` through a file beside it, renamed over it once whole,
// so `path` never holds part of them. On failure says why in `error` and leaves
// `path` as it was.
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
