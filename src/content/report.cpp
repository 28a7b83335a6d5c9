#include "content/report.h"

#include <cstdarg>
#include <cstdio>

namespace {

int printToStderr(const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return 1;  // IDOK
}

MessageBoxHandler currentHandler = printToStderr;
MessageBar currentBar = nullptr;

void say(Severity severity, const char* format, va_list args) {
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    if (severity != Severity::confirmation) std::fprintf(stderr, "%s\n", line);
    if (currentBar != nullptr) currentBar(severity, line);
}

}  // namespace

void setMessageBoxHandler(MessageBoxHandler handler) {
    currentHandler = handler ? handler : printToStderr;
}

void setMessageBar(MessageBar bar) {
    currentBar = bar;
}

void report(Severity severity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    say(severity, format, args);
    va_end(args);
}

int report(const ReportBox& box, Severity severity, const char* format, ...) {
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        say(severity, format, args);
        va_end(args);
    }
    return currentHandler(box.text, box.caption, box.type);
}
