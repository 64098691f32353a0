// Drop files and the start-up questions to the caller's terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/startup.hpp"
#include "play/main_sequence.hpp"
#include "support/test_session.hpp"
#include "term/access_expression.hpp"
#include "term/drop_files.hpp"
#include "term/text_codes.hpp"

namespace vorn {
namespace {

std::string DoorSys(const std::string& baud, const std::string& name, const std::string& time) {
    std::string text = "COM1:\r\n" + baud + "\r\n";
    for (int line = 3; line <= 9; ++line) text += "x\r\n";
    text += name + "\r\n";
    for (int line = 11; line <= 18; ++line) text += "y\r\n";
    return text + time + "\r\nGR\r\n";
}

void UseDropDirectory(test::TestSession& t) {
    t.session.node.door_file_path = "./drop\\";
    ::mkdir("drop", 0775);
}

int ExitCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const test::ExitCalled& e) {
        return e.code;
    }
    return -1;
}

TEST(DoorSys, LocalCallerNeedsNoQuestions) {
    test::TestSession t;
    UseDropDirectory(t);
    test::WriteFile("drop/door.sys", DoorSys("0", "Ann Smith", "60"));
    ReadDoorSys(t.session);
    EXPECT_TRUE(t.session.line.local);
    EXPECT_TRUE(t.session.line.ansi);
    EXPECT_EQ(t.session.users.current.real_name.str(), "Ann Smith");
    EXPECT_EQ(t.session.time.minutes_allowed, 60);
    t.session.writer.flush();
    EXPECT_EQ(t.terminal.output.find("\x1b[6n"), std::string::npos);
    EXPECT_NE(t.terminal.output.find("COM1:\r\n"), std::string::npos);
    EXPECT_NE(t.terminal.output.find("GR\r\n"), std::string::npos);
    EXPECT_FALSE(CheckAccess(t.session, "B"));
}

TEST(DoorSys, RemoteCallerTimeLimitAndLongName) {
    test::TestSession t;
    UseDropDirectory(t);
    t.session.system.log_path = "";
    t.session.node.time_limit = 30;
    test::WriteFile("drop/door.sys", DoorSys("38400", std::string(50, 'n'), "45.5"));
    t.terminal.on_write = [&](std::string_view bytes) {
        if (bytes.find("\x1b[6n") != std::string_view::npos) t.terminal.type("\x1b[3;1R");
    };
    ReadDoorSys(t.session);
    EXPECT_FALSE(t.session.line.local);
    EXPECT_TRUE(t.session.line.comm_active);
    EXPECT_EQ(t.session.line.baud, 38400);
    EXPECT_EQ(t.session.time.minutes_allowed, 30);
    EXPECT_EQ(t.session.users.current.real_name.size(), 36u);
    EXPECT_TRUE(t.session.line.ansi);
    EXPECT_NE(test::ReadFile("12-07-2026.log").find("Modem Baud: 38400"), std::string::npos);
    // The access conditions of a remote caller.
    EXPECT_TRUE(CheckAccess(t.session, "B&=1"));
}

TEST(DoorSys, ShortOrGarbledFilesTakeTheirDefaults) {
    test::TestSession t;
    UseDropDirectory(t);
    test::WriteFile("drop/door.sys", "COM1\nfast\n");
    ReadDoorSys(t.session);
    EXPECT_TRUE(t.session.line.local);
    EXPECT_EQ(t.session.users.current.real_name.str(), "");
    EXPECT_EQ(t.session.time.minutes_allowed, 0);
}

// Numbers beyond what their field holds count as no number; a huge time left stays a long time.
TEST(DropFiles, NumbersOutOfRangeAreNoNumbers) {
    const struct {
        const char* baud;
        std::int32_t expected;
    } speeds[] = {{"99999999999999999999", 0}, {"-99999999999999999999", 0}, {"1e20", 0},
                  {"2147483648", 0},           {"2147483647", 2147483647},   {"9600.5", 0}};
    for (const auto& c : speeds) {
        SCOPED_TRACE(c.baud);
        test::TestSession t;
        UseDropDirectory(t);
        test::WriteFile("drop/door.sys", DoorSys(c.baud, "Ann Smith", "1e20"));
        t.terminal.on_write = [&](std::string_view bytes) {
            if (bytes.find("\x1b[6n") != std::string_view::npos) t.terminal.type("\x1b[3;1R");
        };
        ReadDoorSys(t.session);
        EXPECT_EQ(t.session.line.baud, c.expected);
        EXPECT_EQ(t.session.line.local, c.expected == 0);

        t.session.time.running = t.session.logged_on = true;
        t.session.keys.check_time_limit();  // does not end the call
        EXPECT_GT(t.session.keys.time_left("M"), 30'000'000);
        EXPECT_EQ(ExpandText(t.session, "%TL", 0), std::to_string(t.session.keys.time_left("M")));
    }
    test::TestSession t;
    UseDropDirectory(t);
    test::WriteFile("drop/doorfile.sr", "Bob Jones\n1\nx\ny\n99999999999999999999\n");
    ReadDoorfileSr(t.session);
    EXPECT_EQ(t.session.time.minutes_allowed, 0);
}

TEST(DropFiles, MissingFilesEndWithExitCodeOne) {
    test::TestSession t;
    UseDropDirectory(t);
    EXPECT_EQ(ExitCode([&] { ReadDoorSys(t.session); }), 1);
    EXPECT_NE(t.terminal.output.find("Error reading DOOR.SYS (Not Found)\r\n./drop/door.sys is "
                                     "missing\r\n"),
              std::string::npos);
    EXPECT_EQ(ExitCode([&] { ReadDoorfileSr(t.session); }), 1);
    EXPECT_NE(t.terminal.output.find("Error reading DOORFILE.SR: Not Found at ./drop/doorfile.sr"),
              std::string::npos);
}

TEST(DoorfileSr, AnsiStatusAndHours) {
    test::TestSession t;
    UseDropDirectory(t);
    test::WriteFile("drop/doorfile.sr", "Bob Jones\n1\nx\ny\n2\n");
    ReadDoorfileSr(t.session);
    EXPECT_TRUE(t.session.line.ansi);
    EXPECT_EQ(t.session.time.minutes_allowed, 120);
    EXPECT_TRUE(CheckAccess(t.session, "B"));
    t.session.writer.flush();
    EXPECT_EQ(t.terminal.output, "");

    test::TestSession s;
    UseDropDirectory(s);
    test::WriteFile("drop/doorfile.sr", "Bob Jones\n-1\nx\ny\n1\n");
    s.terminal.on_write = [&](std::string_view bytes) {
        if (bytes.find("\x1b[6n") != std::string_view::npos) s.terminal.type("\x1b[1;1R");
    };
    ReadDoorfileSr(s.session);
    s.session.writer.flush();
    EXPECT_NE(s.terminal.output.find("Detecting ANSI...\x1b[6nSucceded\r\n"), std::string::npos);
}

TEST(DoorfileSr, TerminalWithoutAnsiIsTurnedAway) {
    test::TestSession t;
    UseDropDirectory(t);
    t.session.node.pause_delay_ms = 1;
    test::WriteFile("drop/doorfile.sr", "Bob Jones\n7\nx\ny\n1\n");
    const std::int64_t start = t.clock.monotonic_ms();
    EXPECT_EQ(ExitCode([&] { ReadDoorfileSr(t.session); }), 0);
    // Four questions of 600 ms each, no more.
    EXPECT_LE(t.clock.monotonic_ms() - start, 4 * 600 + 10);
    EXPECT_NE(t.terminal.output.find("Failed\r\nYou MUST be in ANSI, exiting...\r\n"),
              std::string::npos);
}

// Lines 1..11 of a door32.sys: comm type, handle, baud, board, record, real name, alias,
// security, minutes left, emulation, node.
std::string Door32(const std::string& comm, const std::string& real_name,
                   const std::string& minutes, const std::string& eol = "\r\n") {
    const std::string lines[] = {comm,  "7",   "38400", "Board 1.0", "12", real_name,
                                 "Ann", "100", minutes, "1",         "3"};
    std::string text;
    for (const std::string& line : lines) text += line + eol;
    return text;
}

// Only a short file or one naming no caller stops the game; every other odd line is read as the
// other drop files' lines are, and noted for the log.
TEST(Door32Sys, GoodOddAndDamagedFiles) {
    std::string binary = Door32("2", "Ann Smith", "60");
    binary[0] = '\0';
    const struct {
        const char* what;
        std::string text;
        const char* problem;  // empty when the file is read
        std::string name;
        double minutes;
        int comm_type;
        int handle;
        std::size_t notes;
    } cases[] = {
        {"CR LF", Door32("2", "Ann Smith", "60"), "", "Ann Smith", 60, 2, 7, 0},
        {"LF, no end on the last line", Door32("0", "Ann Smith", "45.5", "\n").substr(0, 60), "",
         "Ann Smith", 45.5, 0, -1, 0},
        {"a huge name is cut", Door32("2", std::string(100000, 'n'), "60"), "",
         std::string(255, 'n'), 60, 2, 7, 0},
        {"no socket handle", Door32("2", "Ann Smith", "60").replace(3, 1, "x"), "", "Ann Smith", 60,
         2, -1, 1},
        {"binary comm type counts as remote", binary, "", "Ann Smith", 60, 2, 7, 1},
        {"comm type 3", Door32("3", "Ann Smith", "60"), "", "Ann Smith", 60, 2, 7, 1},
        {"control characters in the name", Door32("2", "Ann\x1b[2J", "60"), "", "Ann[2J", 60, 2, 7,
         1},
        {"no time", Door32("2", "Ann Smith", "lots"), "", "Ann Smith", 0, 2, 7, 1},
        {"a negative time", Door32("2", "Ann Smith", "-5"), "", "Ann Smith", 0, 2, 7, 1},
        {"short", "2\r\n7\r\n38400\r\n", "only 3 of its 11 lines", "", 0, 0, 0, 0},
        {"empty", "", "only 0 of its 11 lines", "", 0, 0, 0, 0},
        {"no name at all", "2\r\n7\r\n0\r\nB\r\n1\r\n \r\n\r\n100\r\n60\r\n1\r\n3\r\n", "line 6",
         "", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string problem;
        const std::optional<Door32Info> info = ParseDoor32Sys(c.text, problem);
        if (*c.problem != '\0') {
            EXPECT_FALSE(info);
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
            continue;
        }
        ASSERT_TRUE(info) << problem;
        EXPECT_EQ(info->real_name, c.name);
        EXPECT_EQ(info->alias, "Ann");
        EXPECT_EQ(info->minutes_left, c.minutes);
        EXPECT_EQ(info->comm_type, c.comm_type);
        EXPECT_EQ(info->handle, c.handle);
        EXPECT_EQ(info->notes.size(), c.notes);
        EXPECT_EQ(info->emulation, 1);
        EXPECT_EQ(info->node, 3);
    }
}

// Where the caller plays, by the door32.sys handle: its socket, or standard input and output
// with one log line.
TEST(Door32Sys, HandlesThatAreNoSocketPlayOnStandardInputAndOutput) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    const int file = ::open("/dev/null", O_RDONLY);
    const struct {
        const char* what;
        std::string comm;
        int handle;
        int line;         // the descriptor the game plays on, -1 standard input and output
        const char* log;  // empty for none
    } cases[] = {
        {"the board's socket", "2", pair[0], pair[0], ""},
        {"handle -1", "2", -1, -1, "handle -1 names no socket: playing on standard"},
        {"a closed handle", "2", 250, -1, "handle 250 is no open socket: playing on standard"},
        {"a file", "2", file, -1, "is no open socket"},
        {"comm type 0, local", "0", pair[0], -1, ""},
        {"comm type 1, serial", "1", pair[0], -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TestSession t;
        UseDropDirectory(t);
        t.session.system.log_path = "";
        t.session.node.door_type = 5;
        test::WriteFile("drop/door32.sys",
                        Door32(c.comm, "Ann Smith", "60").replace(3, 1, std::to_string(c.handle)));
        ReadDoor32File(t.session);
        OpenCallerLine(t.session);
        EXPECT_EQ(t.terminal.opened_fd, c.line);
        const std::string log = test::ReadFile("12-07-2026.log");
        if (*c.log == '\0') {
            EXPECT_EQ(log.find("socket"), std::string::npos) << log;
        } else {
            EXPECT_NE(log.find(c.log), std::string::npos) << log;
        }
    }
    ::close(pair[0]);
    ::close(pair[1]);
    ::close(file);
}

TEST(Door32Sys, RemoteCallerOnTheBoardsLine) {
    test::TestSession t;
    UseDropDirectory(t);
    t.session.node.time_limit = 30;
    test::WriteFile("drop/door32.sys", Door32("2", "", "60"));
    ReadDoor32File(t.session);
    ReadDoor32Sys(t.session);
    EXPECT_EQ(t.session.nodes.number, 3);  // the command line named none
    EXPECT_FALSE(t.session.line.local);
    EXPECT_TRUE(CheckAccess(t.session, "B"));
    EXPECT_EQ(t.session.users.current.real_name.str(), "Ann");  // the alias, for want of a name
    EXPECT_EQ(t.session.time.minutes_allowed, 30);
    // Emulation 1 is ANSI already: no question is asked.
    EXPECT_TRUE(t.session.line.ansi);
    t.session.writer.flush();
    EXPECT_EQ(t.terminal.output.find("\x1b[6n"), std::string::npos);
}

TEST(Door32Sys, MissingOrDamagedFilesEndWithExitCodeOne) {
    test::TestSession t;
    UseDropDirectory(t);
    EXPECT_EQ(ExitCode([&] { ReadDoor32File(t.session); }), 1);
    test::WriteFile("drop/door32.sys", "2\n7\n");
    EXPECT_EQ(ExitCode([&] { ReadDoor32File(t.session); }), 1);
    EXPECT_NE(t.terminal.output.find("Error reading DOOR32.SYS (Not Found)\r\n./drop/door32.sys "
                                     "is missing\r\n"
                                     "Error reading DOOR32.SYS (only 2 of its 11 lines)\r\n"
                                     "./drop/door32.sys is damaged\r\n"),
              std::string::npos)
        << t.terminal.output;
}

// The drop file whatever the case of its name, in the node's folder however it is written, or
// named on the command line; its name there tells its kind.
TEST(DropFiles, FoundWhateverTheCaseOfTheirNames) {
    const struct {
        std::vector<std::string> files;  // in ./drop
        std::string folder;              // the node's door_file_path as loaded
        std::string argument;            // -D
        std::string found;
    } cases[] = {
        {{"door.sys"}, "./drop\\", "", "./drop/door.sys"},
        {{"DOOR.SYS"}, "./drop/\\", "", "./drop/DOOR.SYS"},
        {{"Door.Sys"}, "drop//\\", "", "drop/Door.Sys"},
        {{"DOOR.SYS", "door.sys"}, "./drop\\", "", "./drop/door.sys"},
        {{"Door.sys", "DOOR.sys"}, "./drop\\", "", "./drop/DOOR.sys"},
        {{}, "./drop\\", "", "./drop/door.sys"},
        {{"DOOR.SYS"}, "\\", "", "DOOR.SYS"},
        {{"DOOR.SYS"}, "/nowhere\\", "drop", "drop/DOOR.SYS"},
        {{"DOOR.SYS"}, "/nowhere\\", "./drop/DOOR.SYS", "./drop/DOOR.SYS"},
        {{}, "/nowhere\\", "drop\\node1.txt", "drop/node1.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.found);
        test::TestSession t;
        ::mkdir("drop", 0775);
        for (const std::string& f : c.files) test::WriteFile("drop/" + f, "x");
        if (c.folder == "\\") test::WriteFile("DOOR.SYS", "x");
        t.session.node.door_file_path = c.folder;
        t.session.command.drop_file = c.argument;
        EXPECT_EQ(DropFilePath(t.session, "door.sys"), c.found);
    }
    // The door type -D gives: by the file's name, or a folder's drop file for a node that reads
    // none of its own.
    test::TempDir scratch;
    ::mkdir("drop", 0775);
    test::WriteFile("drop/DOOR.SYS", "x");
    EXPECT_EQ(DoorTypeForDropArgument("/bbs/node1/DOOR32.SYS", 3), 5);
    EXPECT_EQ(DoorTypeForDropArgument("\\bbs\\DOORFILE.SR", 1), 2);
    EXPECT_EQ(DoorTypeForDropArgument("dorinfo1.def", 4), 4);
    EXPECT_EQ(DoorTypeForDropArgument("drop", 3), 1);
    EXPECT_EQ(DoorTypeForDropArgument("drop", 5), 5);
    test::WriteFile("drop/door32.sys", "x");
    EXPECT_EQ(DoorTypeForDropArgument("drop/", 4), 5);
}

TEST(DetectAnsi, AnswerOnTheThirdQuestionEndsTheQuestions) {
    test::TestSession t;
    int questions = 0;
    t.terminal.on_write = [&](std::string_view bytes) {
        if (bytes.find("\x1b[6n") != std::string_view::npos && ++questions == 3) {
            t.terminal.type("\x1b[5;9R");
        }
    };
    const std::int64_t start = t.clock.monotonic_ms();
    EXPECT_TRUE(DetectAnsi(t.session));
    EXPECT_EQ(questions, 3);
    // Two unanswered waits; the answer to the third is taken at once.
    EXPECT_EQ(t.clock.monotonic_ms() - start, 2 * 600);
}

TEST(DetectVornTerm, SilentTerminalStillCountsAsAnsi) {
    test::TestSession t;
    t.session.line.ansi = false;
    EXPECT_FALSE(DetectVornTerm(t.session));
    EXPECT_TRUE(t.session.line.ansi);
    EXPECT_NE(t.terminal.output.find("Checking for VornTerm...///\\\\\\"), std::string::npos);

    test::TestSession s;
    s.terminal.on_write = [&](std::string_view) { s.terminal.type("///ok"); };
    EXPECT_TRUE(DetectVornTerm(s.session));
    EXPECT_TRUE(s.session.line.vornterm);
}

}  // namespace
}  // namespace vorn
