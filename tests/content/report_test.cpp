#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/report.h"

namespace {

std::vector<std::string> bar;
std::vector<std::string> boxes;

TEST(Report, TheSeverityDecidesWhereTheLineGoes) {
    setMessageBar([](Severity severity, const char* line) {
        bar.push_back(std::to_string(static_cast<int>(severity)) + " " + line);
    });
    const struct {
        Severity severity;
        const char* debugTxt;
    } cases[] = {{Severity::confirmation, ""},
                 {Severity::notice, "seven 7\n"},
                 {Severity::error, "seven 7\n"}};
    for (const auto& c : cases) {
        bar.clear();
        testing::internal::CaptureStderr();
        report(c.severity, "%s %d", "seven", 7);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.debugTxt);
        EXPECT_EQ(bar, std::vector<std::string>{std::to_string(static_cast<int>(c.severity)) +
                                                " seven 7"});
    }
    setMessageBar(nullptr);
    testing::internal::CaptureStderr();
    report(Severity::confirmation, "unseen");
    report(Severity::error, "seen");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "seen\n");
}

// A box comes with its report, or alone; the handler's answer is the report's.
TEST(Report, ABoxGoesToItsHandlerWithItsOwnWords) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(report({"Could not read", "ERROR"}, Severity::error, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: Could not read\n");
    setMessageBoxHandler([](const char* text, const char* caption, unsigned type) {
        boxes.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
        return 7;  // IDNO
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(report({"Windowed?", "Vodi GL", 4}, Severity::error, "x.tga: %s", "why"), 7);
    EXPECT_EQ(report({"Close.", "ERROR"}, Severity::error, nullptr), 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "x.tga: why\n");
    EXPECT_EQ(boxes, (std::vector<std::string>{"Vodi GL|Windowed?|4", "ERROR|Close.|0"}));
    setMessageBoxHandler(nullptr);
}

}  // namespace
