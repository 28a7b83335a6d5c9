#pragma once

#include <cstdint>

// Everything the program tells its user goes through report(), and what a report
// becomes follows from its severity alone. Its line goes to the standard error
// stream, which the game sends to debug.txt, unless it is a confirmation; and to
// the message bar, in green or in orange, once the game has one. Where the window
// code shows a message box, the box comes with the report: the game hands it to
// MessageBoxA, tools and tests print it as "CAPTION: text".
enum class Severity : uint8_t {
    confirmation,  // done as asked: the message bar only
    notice,        // worth keeping: debug.txt, and the message bar as good news
    error,         // went wrong: debug.txt, and the message bar as a warning
};

// MessageBoxA's type flags as the content code uses them.
inline constexpr unsigned kMbOk = 0x00000000u;

// A message box: its own words, caption and buttons.
struct ReportBox {
    const char* text;
    const char* caption;
    unsigned type = kMbOk;
};

#if defined(__GNUC__)
#define PIMO_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define PIMO_PRINTF(f, a)
#endif

void report(Severity severity, const char* format, ...) PIMO_PRINTF(2, 3);
// With a box, `format` may be null: the box alone, no line. Returns the box's
// answer (IDOK, IDYES, IDNO).
int report(const ReportBox& box, Severity severity, const char* format, ...) PIMO_PRINTF(3, 4);

#undef PIMO_PRINTF

// The message bar, when the game has one; null when it goes. Reports made while
// there is none reach debug.txt only.
using MessageBar = void (*)(Severity severity, const char* line);
void setMessageBar(MessageBar bar);

// Who shows the boxes; null restores the default, which prints "CAPTION: text" as
// one line on the standard error stream.
using MessageBoxHandler = int (*)(const char* text, const char* caption, unsigned type);
void setMessageBoxHandler(MessageBoxHandler handler);
