#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

// What the fuzzers share: inputs left out, and the program's own messages kept off
// the terminal while the sanitizers still write to the descriptor.

// Names in an input are opened as files; a device would block or never end.
inline bool namesADevice(const uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size).find("/dev/") !=
           std::string_view::npos;
}

inline int silentBox(const char*, const char*, unsigned) {
    return 1;
}

// Standard error goes nowhere while one lives.
class QuietStderr {
  public:
    QuietStderr() : quiet(std::fopen("/dev/null", "w")), saved(stderr) { stderr = quiet; }
    ~QuietStderr() {
        stderr = saved;
        std::fclose(quiet);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    std::FILE* quiet;
    std::FILE* saved;
};
