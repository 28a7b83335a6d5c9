#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/report.h"

namespace {

std::vector<std::string> shown;  // the bar's and the boxes' lines

// The severity alone decides where a line goes; a box comes with its report, or
// alone, and its answer is the report's.
TEST(Report, TheSeverityDecidesWhereTheLineGoesAndBoxesKeepTheirWords) {
    setMessageBar([](Severity s, const char* line) {
        shown.push_back(std::to_string(static_cast<int>(s)) + " " + line);
    });
    testing::internal::CaptureStderr();
    for (Severity s : {Severity::confirmation, Severity::notice, Severity::error})
        report(s, "%s %d", "seven", 7);
    EXPECT_EQ(report({"Could not read", "ERROR"}, Severity::error, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "seven 7\nseven 7\nERROR: Could not read\n");
    EXPECT_EQ(shown, (std::vector<std::string>{"0 seven 7", "1 seven 7", "2 seven 7"}));

    setMessageBar(nullptr);
    setMessageBoxHandler([](const char* text, const char* caption, unsigned type) {
        shown.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
        return 7;  // IDNO
    });
    shown.clear();
    testing::internal::CaptureStderr();
    report(Severity::confirmation, "unseen");
    EXPECT_EQ(report({"Windowed?", "Vodi GL", 4}, Severity::error, "x.tga: %s", "why"), 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "x.tga: why\n");
    EXPECT_EQ(shown, std::vector<std::string>{"Vodi GL|Windowed?|4"});
    setMessageBoxHandler(nullptr);
}

}  // namespace
