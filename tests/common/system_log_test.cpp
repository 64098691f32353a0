// The system log and the chat log: names by date and node, headers, times, markers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/system_log.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

DateTime At(int hour, int minute) {
    DateTime t = test::SampleTime();
    t.hour = hour;
    t.minute = minute;
    return t;
}

TEST(SystemLog, FileNamesByDateAndNode) {
    const DateTime t = test::SampleTime();
    EXPECT_EQ(SystemLogFileName({"./logs/", false, 3}, t), "./logs/12-07-2026.log");
    EXPECT_EQ(SystemLogFileName({"./logs/", true, 3}, t), "./logs/12-07-2026.003");
    EXPECT_EQ(SystemLogFileName({"./logs/", true, 12}, t), "./logs/12-07-2026.012");
    EXPECT_EQ(SystemLogFileName({"", false, 0}, t), "12-07-2026.log");
}

TEST(SystemLog, TimesAndDates) {
    EXPECT_EQ(LogTime(At(9, 5)), "9:05am");
    EXPECT_EQ(LogTime(At(0, 30)), "12:30am");
    EXPECT_EQ(LogTime(At(12, 0)), "12:00pm");
    EXPECT_EQ(LogTime(At(15, 7)), "3:07pm");
    EXPECT_EQ(LongDate(test::SampleTime()), "December 7, 2026");
    DateTime odd = test::SampleTime();
    odd.month = 13;
    EXPECT_EQ(LongDate(odd), "Unknown 7, 2026");
}

TEST(SystemLog, MarkersAndCodesInEventLines) {
    EXPECT_EQ(FormatSystemLogLine(">Initiated Files", At(10, 15)), "10:15am  Initiated Files");
    EXPECT_EQ(FormatSystemLogLine("xCould not access strings.dat, terminating", At(15, 7)),
              "3:07pm     x Could not access strings.dat, terminating");
    EXPECT_EQ(FormatSystemLogLine("** DOOR.SYS not found", At(1, 0)),
              "1:00am     * * DOOR.SYS not found");
    EXPECT_EQ(FormatSystemLogLine("-Message deleted", At(1, 0)), "1:00am     - Message deleted");
    EXPECT_EQ(FormatSystemLogLine("|12Email |07sent|B1", At(1, 0)), "1:00am       Email sent");
    EXPECT_EQ(FormatSystemLogLine("x", At(1, 0)), "");
    EXPECT_EQ(FormatSystemLogLine("", At(1, 0)), "");
    // Lower-case and unknown codes stay as written.
    EXPECT_EQ(FormatSystemLogLine("a|b1|X1", At(1, 0)), "1:00am       a|b1|X1");
}

TEST(SystemLog, FirstLineCreatesTheFileWithItsHeader) {
    test::TestSession t;
    const LogTarget target{"./logs/", false, 4};
    WriteSystemLog(target, t.clock, "xCould not access strings.dat, terminating");
    EXPECT_FALSE(test::FileExists("logs/12-07-2026.log"));  // no directory: the line is lost

    mkdir("logs", 0775);
    WriteSystemLog(target, t.clock, "|12Player |07left the game.");
    WriteSystemLog(target, t.clock, "x.");
    WriteSystemLog(target, t.clock, ">Done");
    EXPECT_EQ(test::ReadFile("logs/12-07-2026.log"),
              "%% Vornhold version a20; System log file - Node 4\n"
              "%% Created December 7, 2026 at 10:15am\n" +
                  std::string(79, '=') +
                  "\n"
                  "10:15am      Player left the game\n"
                  "\n"
                  "10:15am  Done\n");
}

TEST(ChatLog, OnePerNodeWrittenAsHandedOver) {
    test::TestSession t;
    mkdir("logs", 0775);
    WriteChatLog({"./logs/", false, 4}, t.clock, "|12Sysop: hello.");
    EXPECT_EQ(test::ReadFile("logs/chatlog.004"),
              " %% Vornhold Version a20 Chat Logfile\n"
              " %% Created December 7, 2026 at 10:15am\n" +
                  std::string(79, '\xC4') + "\n|12Sysop: hello.\n");
}

}  // namespace
}  // namespace vorn
