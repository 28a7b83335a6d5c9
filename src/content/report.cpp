#include "content/report.h"

#include <cstdio>

namespace {

int printToStderr(const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return 1;  // IDOK
}

MessageBoxHandler currentHandler = printToStderr;

}  // namespace

void setMessageBoxHandler(MessageBoxHandler handler) {
    currentHandler = handler ? handler : printToStderr;
}

int showMessageBox(const char* text, const char* caption, unsigned type) {
    return currentHandler(text, caption, type);
}
