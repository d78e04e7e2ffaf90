// The progress bar on a terminal is redrawn in place, which works only while its line is
// narrower than the terminal: a wider one wraps, and every redraw scrolls another line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "record/progress.h"

namespace {
// What the report writes to standard error for a whole 1 fps recording on a terminal, made
// in a quarter of a second (so at 392 frames a second, a figure as wide as a real one).
std::string reportOn(int columns) {
    ::testing::internal::CaptureStderr();
    progressStart(1, columns);
    progressFrame(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    progressFinish(98, 1);
    return ::testing::internal::GetCapturedStderr();
}
}  // namespace

TEST(RecorderProgress, TheLineStaysNarrowerThanItsTerminal) {
    const struct {
        int columns;
        const char* holds;  // what is still there at this width
    } rows[] = {{80, "recording [##############################]  98.0 / 98 s"},
                {60, "recording [##########]  98.0 / 98 s"},
                {50, "recording  98.0 / 98 s"},
                {20, "recording  98.0 / "},
                {1, "\r\r\n"}};
    for (const auto& row : rows) {
        const std::string text = reportOn(row.columns);
        EXPECT_NE(text.find(row.holds), std::string::npos) << row.columns << " columns: " << text;
        size_t start = 0;
        for (size_t end; (end = text.find_first_of("\r\n", start)) != std::string::npos; start = end + 1)
            EXPECT_LT(end - start, static_cast<size_t>(row.columns)) << text.substr(start, end - start);
    }
}
