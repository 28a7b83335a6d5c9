#include "content/numbered_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "content/output_path.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int kLastNumber = 9999;

#ifdef _WIN32
int createNew(const char* name) {
    return _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    return _write(fd, bytes.data(), static_cast<unsigned>(bytes.size())) ==
           static_cast<int>(bytes.size());
}
int closeFile(int fd) {
    return _close(fd);
}
#else
int createNew(const char* name) {
    return open(name, O_WRONLY | O_CREAT | O_EXCL, 0644);
}
bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
int closeFile(int fd) {
    return close(fd);
}
#endif

}  // namespace

std::string writeNumberedFile(const char* format, const char* what,
                              const std::vector<uint8_t>& bytes, std::string& error) {
    // Creating the file exclusively claims the number, so nothing is overwritten.
    for (int number = 1; number <= kLastNumber; ++number) {
        char bare[32];
        std::snprintf(bare, sizeof bare, format, number);
        const std::string name = outputPath(bare);
        const int fd = createNew(name.c_str());
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            error = std::string("Could not create ") + name + ": " + std::strerror(errno);
            return "";
        }
        const bool written = writeAll(fd, bytes);
        if (closeFile(fd) != 0 || !written) {
            error = std::string("Could not write ") + name;
            std::remove(name.c_str());
            return "";
        }
        return name;
    }
    char last[32];
    std::snprintf(last, sizeof last, format, kLastNumber);
    error = std::string("Every ") + what + " name up to " + last + " is taken";
    return "";
}

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes,
                    std::string& error) {
    const std::string part = path + ".part";
    std::FILE* out = std::fopen(part.c_str(), "wb");
    if (out == nullptr) {
        error = "Could not create " + part;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) {
        std::remove(part.c_str());
        error = "Could not write " + part;
        return false;
    }
    std::error_code failed;
    std::filesystem::rename(part, path, failed);
    if (failed) {
        std::remove(part.c_str());
        error = "Could not write " + path + ": " + failed.message();
        return false;
    }
    return true;
}
