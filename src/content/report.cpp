#include "content/report.h"

#include <cstdio>

namespace {

int printToStderr(const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return 1;  // IDOK
}

MessageBoxHandler currentHandler = printToStderr;
LineListener currentListener = nullptr;

}  // namespace

void setMessageBoxHandler(MessageBoxHandler handler) {
    currentHandler = handler ? handler : printToStderr;
}

int showMessageBox(const char* text, const char* caption, unsigned type) {
    return currentHandler(text, caption, type);
}

void setLineListener(LineListener listener) {
    currentListener = listener;
}

void reportLine(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "%s\n", line);
    if (currentListener != nullptr) currentListener(line);
}
