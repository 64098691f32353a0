// Mail and the boards on a test session: posting with its receiver, subject and privacy rules,
// the two readers, the rights on other players' messages, the editors and the new-mail notice.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/message_area_files.hpp"
#include "common/message_base.hpp"
#include "mail/message_areas.hpp"
#include "mail/message_editor.hpp"
#include "mail/message_post.hpp"
#include "mail/message_reader.hpp"
#include "node/node_lines.hpp"
#include "player/user_files.hpp"
#include "support/session_fixture.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

constexpr std::uint16_t kJoe = 1, kAnn = 2, kBob = 3;

class MailTest : public ::testing::Test {
  protected:
    MailTest() {
        s.strings.open(
            "", [] {}, 1);
        s.node.pause_delay_ms = 1;
        s.system.sysop_name = "Sam Sysop";
        UserRecord joe = DefaultUserRecord();
        AddUser(s, joe);
        for (const char* name : {"Ann", "Bob"}) {
            UserRecord u = DefaultUserRecord();
            u.name = name;
            u.real_name = std::string(name) + " Real";
            AddUser(s, u);
        }
        s.users.users_read.open("users.dat", sizeof(UserRecord), RecordFile::Access::kRead);
        play_as(kAnn);
        MessageAreaRecord board{};
        board.area_name = "Common Room";
        board.area_file = "GEN";
        board.max_messages = 1000;
        board.area_kind = kAreaKindPublic;
        test::WriteFile("msgarea.dat", std::string(reinterpret_cast<char*>(&board), sizeof board));
    }

    void play_as(std::uint16_t number) {
        s.users.users_read.read_record(number - 1u, s.users.current);
        s.users.current.line_editor = true;
    }
    // A message stored straight into the current area.
    // A letter stored by this caller's session, or by another node (`here` false).
    void store(std::uint16_t from, std::uint16_t to, std::string_view subject,
               std::uint16_t status = 0, bool here = true) {
        const char* names[] = {"", "Joe", "Ann", "Bob"};
        MessageHeader h;
        std::memset(&h, 0, sizeof h);
        h.sender.user_number = from;
        h.sender.name = h.sender.shown = names[from];
        h.receiver.user_number = to;
        h.receiver.name = h.receiver.shown = names[to];
        h.subject = subject;
        h.status = status;
        h.written = PackDosDateTime(t.clock.now());
        if (here) {
            ASSERT_EQ(AppendMessage(s, {std::string(subject) + " text"}, h, true),
                      StoreResult::kStored);
            return;
        }
        MessageBase elsewhere;
        ASSERT_TRUE(elsewhere.open("", "EMAIL"));
        ASSERT_EQ(elsewhere.append({"text"}, h, MessageLimit{}), StoreResult::kStored);
    }
    MessageHeader header(std::uint32_t n) {
        MessageBase base;
        MessageHeader h{};
        EXPECT_TRUE(OpenAreaFiles(s, base) && base.read_header(n, h)) << "message " << n;
        return h;
    }
    std::uint32_t count() {
        MessageBase base;
        return OpenAreaFiles(s, base) ? base.count() : 0;
    }
    // Types `keys` and runs `body`; keys that run out end in the inactivity hang-up.
    void run(const std::string& keys, const std::function<void()>& body) {
        t.terminal.type(keys);
        try {
            body();
        } catch (const test::ExitCalled&) {
            ADD_FAILURE() << "the keys ran out:\n" << screen();
        }
    }
    std::string screen() {
        s.writer.flush();
        std::string all;
        for (int row = 1; row <= 25; ++row) all += test::RowText(s.writer, row) + "\n";
        return all;
    }
    std::string log() { return test::ReadFile("12-07-2026.log"); }

    test::TestSession t;
    Session& s = t.session;
};

TEST_F(MailTest, ARepliesSubjectGetsReOnlyOnce) {
    struct Case {
        const char* subject;
        const char* reply;
    };
    const Case cases[] = {{"hello", "Re: hello"},
                          {"re: hi", "re: hi"},
                          {"RE:x", "RE:x"},
                          {"Re: again", "Re: again"},
                          {"Rex", "Re: Rex"}};
    ASSERT_TRUE(OpenEmailArea(s));
    std::uint32_t n = 0;
    for (const Case& c : cases) {
        play_as(kBob);
        store(kBob, kAnn, c.subject);
        play_as(kAnn);
        run("thanks\r\r", [&] { EXPECT_TRUE(PostMessage(s, "", "", ++n)); });
        const MessageHeader reply = header(++n);
        EXPECT_EQ(reply.subject.view(), c.reply);
        EXPECT_EQ(reply.receiver.user_number, kBob);
        EXPECT_EQ(reply.receiver.real_name.view(), "");  // the sender block of a bare message
        EXPECT_EQ(reply.status, kMessagePrivate);
        EXPECT_EQ(reply.flags2, kFlags2Always | kFlags2Private);
    }
    EXPECT_EQ(s.users.current.emails, 5);
}

TEST_F(MailTest, EmailWorksAtOnceWithoutEmailDatButNeverToANameWithoutPlayer) {
    ASSERT_FALSE(test::FileExists("email.dat"));
    ASSERT_TRUE(OpenEmailArea(s));
    run("Nobody\r", [&] { EXPECT_FALSE(PostMessage(s, "", "", 0)); });
    EXPECT_NE(screen().find("User not found"), std::string::npos);
    EXPECT_EQ(count(), 0u);
    EXPECT_EQ(s.users.current.emails, 0);
    EXPECT_EQ(log().find("Email sent"), std::string::npos);

    run("bob\rGreetings\rhello Bob\r\r", [&] { EXPECT_TRUE(PostMessage(s, "", "", 0)); });
    const MessageHeader h = header(1);
    EXPECT_EQ(h.receiver.user_number, kBob);
    EXPECT_EQ(h.receiver.name.view(), "Bob");
    EXPECT_EQ(h.receiver.real_name.view(), "Bob Real");
    EXPECT_EQ(h.receiver.shown.view(), "bob");
    EXPECT_EQ(h.sender.shown.view(), "Ann");
    EXPECT_EQ(h.written, PackDosDateTime(t.clock.now()));
    EXPECT_EQ(s.users.current.emails, 1);
    // Looking Bob up left Ann the current player: her save did not land on his record.
    EXPECT_EQ(s.users.current.number, kAnn);
    UserRecord bob{};
    ASSERT_TRUE(s.users.users_read.read_record(kBob - 1, bob));
    EXPECT_EQ(bob.name.view(), "Bob");
    EXPECT_NE(log().find("Title: \"Greetings\",  From: Ann,  To: bob"), std::string::npos);
    MessageAreaRecord area{};
    ASSERT_TRUE(ReadAreaRecord("email.dat", 0, area));
    EXPECT_EQ(area.message_count, 1);
    EXPECT_EQ(area.area_sysop.view(), "Sam Sysop");
}

TEST_F(MailTest, EmailReaderEndsOnAStartOutsideTheList) {
    for (const char* start : {"0", "3"}) {
        ASSERT_TRUE(OpenEmailArea(s));
        store(kBob, kAnn, "first");
        store(kBob, kAnn, "second");
        run(std::string("y\x19") + start + "\rn", [&] { ReadEmail(s, false, true, true); });
        EXPECT_EQ(screen().find("Reading Email"), std::string::npos) << start;
        EXPECT_EQ(s.users.current.msg_pointer, 2);
        EXPECT_EQ(count(), 2u);
        test::WriteFile("EMAIL.jhr", "");
    }
}

TEST_F(MailTest, ReadingAndDeletingEveryLetterLeavesTheMailPacked) {
    ASSERT_TRUE(OpenEmailArea(s));
    store(kBob, kAnn, "one");
    store(kBob, kJoe, "for joe");
    store(kBob, kAnn, "two");
    // A player's "!" reads his own letters, never the others'.
    run("y\rdd", [&] { ReadMailCommand(s); });
    EXPECT_NE(screen().find("Message deleted"), std::string::npos);
    EXPECT_EQ(count(), 1u);
    EXPECT_EQ(header(1).subject.view(), "for joe");
    EXPECT_NE(log().find("Email message \"two\" from Bob deleted"), std::string::npos);
    run("", [&] { ReadEmail(s, false, false, false); });
    EXPECT_NE(test::RowText(s.writer, 23).find("No mail waiting"), std::string::npos) << screen();
}

TEST_F(MailTest, PublicReaderHoldsTheStartToTheAreaAndLeavesOthersMessagesAlone) {
    ASSERT_TRUE(OpenPublicArea(s, 1));
    store(kBob, 0, "from bob");
    store(kAnn, 0, "from ann");
    store(kBob, 0, "bob again");
    struct Case {
        const char* typed;
        const char* shown;
    };
    for (const Case c : {Case{"0", "1 of 3"}, Case{"99", "3 of 3"}, Case{"2", "2 of 3"}}) {
        run(std::string("\x19") + c.typed + "\rq", [&] { ReadMessages(s, 0, false, true); });
        EXPECT_NE(screen().find(c.shown), std::string::npos) << c.typed << screen();
    }
    // D on Bob's message: nothing changes; on her own: deleted, logged, and on to the next.
    run("dq", [&] { ReadMessages(s, 1, false, true); });
    EXPECT_EQ(header(1).status, 0);
    run("dq", [&] { ReadMessages(s, 2, false, true); });
    EXPECT_EQ(header(2).status, kMessageDeleted);
    EXPECT_NE(log().find("  - Message \"from ann\" in area \"Common Room\" deleted"),
              std::string::npos);
    EXPECT_EQ(log().find("from bob\" in area"), std::string::npos);
    EXPECT_NE(screen().find("3 of 3"), std::string::npos);
    // The last-read mark is the latest message shown.
    LastReadRecord lr{};
    ASSERT_TRUE(ReadCallerLastRead(s, lr));
    EXPECT_EQ(lr.high_water, header(3).written);
}

// Retired and deleted messages, letters for others and the caller's own posts are no news to
// him, and his reading starts at the first message he may read.
TEST_F(MailTest, BoardListAndReaderPassOverWhatTheCallerMayNotRead) {
    ASSERT_TRUE(OpenPublicArea(s, 1));
    store(kBob, 0, "retired", kMessageDeleted);
    store(kBob, kJoe, "for joe", kMessagePrivate);
    store(kAnn, 0, "her own");
    store(kBob, 0, "news one");
    store(kBob, 0, "news two");
    run("\r", [&] { MessageBoards(s); });
    EXPECT_NE(screen().find("1    Common Room" + std::string(31, ' ') + " 5" + std::string(9, ' ') +
                            " 2\n"),
              std::string::npos)
        << screen();
    for (const char* typed : {"\r",
                              "\x19"
                              "2\r"}) {
        run(std::string(typed) + "q", [&] { ReadMessages(s, 0, false, true); });
        EXPECT_NE(screen().find("3 of 5"), std::string::npos) << screen();
    }
}

// A post made in the reader retires the oldest message of a full board; the reader holds the
// board, so the pack comes when it lets go.
TEST_F(MailTest, PostsFromTheReaderArePackedWhenItLetsGo) {
    MessageAreaRecord board{};
    ASSERT_TRUE(ReadAreaRecord("msgarea.dat", 0, board));
    board.max_messages = 3;
    test::WriteFile("msgarea.dat", std::string(reinterpret_cast<char*>(&board), sizeof board));
    ASSERT_TRUE(OpenPublicArea(s, 1));
    for (const char* subject : {"one", "two", "three"}) store(kBob, 0, subject);
    run("p\rfour\rtext\r\rq", [&] { ReadMessages(s, 3, false, true); });
    EXPECT_EQ(count(), 3u);
    EXPECT_EQ(header(1).subject.view(), "two");
    MessageAreaRecord area{};
    ASSERT_TRUE(ReadAreaRecord("msgarea.dat", 0, area));
    EXPECT_EQ(area.message_count, 3);
}

// A subject and text that would clear the reader's screen and stop for a key show as text.
TEST_F(MailTest, CodesInAMessageShowAsText) {
    ASSERT_TRUE(OpenPublicArea(s, 1));
    store(kBob, 0, "||CS%PA hi");
    run("q", [&] { ReadMessages(s, 1, false, true); });
    const std::string shown = screen();
    EXPECT_NE(shown.find("CSPA hi text"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("|CS"), std::string::npos) << shown;
}

TEST_F(MailTest, RightsOnMessages) {
    ASSERT_TRUE(OpenPublicArea(s, 1));
    struct Case {
        std::uint16_t from, to, status;
        bool read, edit, remove;
    };
    const Case cases[] = {
        {kBob, kJoe, 0, true, false, false},
        {kBob, kJoe, kMessagePrivate, false, false, false},
        {kBob, kAnn, kMessagePrivate, true, false, true},
        {kAnn, kJoe, kMessagePrivate, true, true, true},
        {kBob, kJoe, kMessageDeleted, false, false, false},
    };
    std::uint32_t n = 0;
    for (const Case& c : cases) {
        store(c.from, c.to, "x", c.status);
        const MessageHeader h = header(++n);
        EXPECT_EQ(MayRead(s, h), c.read) << n;
        EXPECT_EQ(MayEdit(s, h), c.edit) << n;
        EXPECT_EQ(MayDelete(s, h), c.remove) << n;
    }
    // The area's sysop may do everything, but only at his own console while he may read the
    // area; a character named like him, or a remote caller who took his name, is nobody special.
    MessageAreaRecord& area = s.mail.area;
    area.area_sysop = "Sam Sysop";
    s.users.current.name = "Sam Sysop";
    s.line.local = true;
    EXPECT_FALSE(MayDelete(s, header(2)));
    s.users.current.real_name = "SAM SYSOP";
    EXPECT_TRUE(MayDelete(s, header(2)));
    s.line.local = false;
    EXPECT_FALSE(MayRead(s, header(2)));
    EXPECT_FALSE(MayDelete(s, header(2)));
    s.line.local = true;
    area.read_access = "U99";
    EXPECT_FALSE(MayRead(s, header(2)));
    EXPECT_FALSE(MayPost(s));

    MessageHeader h{};
    EXPECT_EQ(StatusText(h), "[Normal]");
    h.status = kMessageDeleted | kMessagePrivate | kMessageAnonymous;
    h.attachment = 1;
    EXPECT_EQ(StatusText(h), "[Deleted] [Private] [File] [Anonymous]");
}

TEST_F(MailTest, SignatureOnlyWhereItFitsAndQuotesCarryTheInitials) {
    UserRecord& u = s.users.current;
    u.sig_lines = 2;
    u.signature[0] = "-- Ann";
    u.signature[1] = "of the north";
    struct Case {
        std::size_t lines, sig_start, total;
    };
    for (const Case c : {Case{0, 0, 3}, Case{193, 193, 196}, Case{194, 0, 194}}) {
        std::vector<std::string> text(c.lines, "x");
        EXPECT_EQ(AppendSignature(s, text), c.sig_start) << c.lines;
        EXPECT_EQ(text.size(), c.total) << c.lines;
    }
    u.sig_lines = 7;
    std::vector<std::string> text(1, "x");
    EXPECT_EQ(AppendSignature(s, text), 0);

    EXPECT_EQ(QuotedLine("|12red|07 text", "BO"), "BO> red text");
    EXPECT_EQ(QuotedLine("BO> said", "AN"), "BO> said");
    EXPECT_EQ(QuotedLine(std::string(90, 'w'), "AN").size(), 79u);
}

TEST_F(MailTest, FullScreenEditorTypesWrapsAndMovesLines) {
    s.users.current.line_editor = false;
    MessageDraft draft;
    draft.subject = "Plans";
    const std::string words = "the quick brown fox jumps over the lazy dog ";
    // Two sentences wrap before "lazy"; a line is cut (Ctrl-K), put back above (Ctrl-U), an empty
    // one deleted (Ctrl-Y); "/" in the first column opens the menu and S saves.
    const std::string keys = words + words + "\r" + "second\r" + "\r" + "\x19" + "\x1b[A" + "\x0b" +
                             "\x1b[A\x1b[A" + "\x15" + "\x1b[B\x1b[B\x1b[B" + "/s";
    bool saved = false;
    run(keys, [&] { saved = EditMessageText(s, draft); });
    EXPECT_TRUE(saved);
    EXPECT_EQ(draft.lines,
              (std::vector<std::string>{"second", (words + words).substr(0, 78), "lazy dog "}))
        << screen();
}

// A word typed past the end of a line goes on to the next one; a text of 200 lines takes no
// more, and the caller is told so.
TEST_F(MailTest, EditorsCarryAWordTypedPastTheLineAndSayWhenTheTextIsFull) {
    MessageDraft wrapped;
    run(std::string(70, 'x') + " carried on\r\r",
        [&] { EXPECT_TRUE(EditMessageText(s, wrapped)); });
    EXPECT_EQ(wrapped.lines, (std::vector<std::string>{std::string(70, 'x'), "carried on"}));
    EXPECT_NE(screen().find("  1: " + std::string(70, 'x') + "\n  2: carried on\n"),
              std::string::npos)
        << screen();
    struct Case {
        bool line_editor;
        std::size_t lines;
        const char* keys;
    };
    for (const Case c : {Case{true, 199, "last\r"}, Case{false, 200, "\r/s"}}) {
        s.users.current.line_editor = c.line_editor;
        MessageDraft full;
        full.lines.assign(c.lines, "x");
        t.terminal.output.clear();
        run(c.keys, [&] { EXPECT_TRUE(EditMessageText(s, full)); });
        s.writer.flush();
        EXPECT_NE(t.terminal.output.find("The text is full."), std::string::npos) << c.keys;
        EXPECT_EQ(full.lines.size(), 200u) << c.keys;
        EXPECT_EQ(full.lines[0], "x") << c.keys;
    }
}

// Lines from other nodes wait while the caller writes on the full-screen desk: the row he types
// on, the last of the screen, stays his.
TEST_F(MailTest, NodeLinesWaitForTheFullScreenEditor) {
    s.users.current.line_editor = false;
    QueueNodeLine(s, NodeLine{"|11Bob (2): ", "hail", false});
    std::string keys;
    for (int n = 1; n <= 20; ++n) keys += "line " + std::to_string(n) + (n < 20 ? "\r" : "");
    int rounds = 0;
    std::string last_row, below;
    // The key reader's rounds while it waits: the lines' turn comes, then more keys.
    s.hooks.timed_effects = [&] {
        if (++rounds == 3) t.terminal.type("!");
        if (rounds == 6) {
            last_row = test::RowText(s.writer, 24);
            below = test::RowText(s.writer, 25);
            t.terminal.type("\x18");
        }
    };
    MessageDraft draft;
    run(keys, [&] { EXPECT_TRUE(EditMessageText(s, draft)); });
    EXPECT_EQ(last_row, "line 20!");
    EXPECT_EQ(below, "");
    EXPECT_EQ(s.nodes.pending.size(), 1u);  // still to come
}

TEST_F(MailTest, NoticeCountsTheCallersMailAndFollowsNewLettersAndPacks) {
    ASSERT_TRUE(OpenEmailArea(s));
    run("", [&] { ReadEmail(s, false, false, false); });
    EXPECT_NE(test::RowText(s.writer, 23).find("No mail waiting"), std::string::npos);
    store(kBob, kAnn, "one");
    store(kBob, kJoe, "other");
    store(kJoe, kAnn, "two", kMessageDeleted);
    run("", [&] { ReadEmail(s, false, false, false); });
    EXPECT_EQ(test::RowText(s.writer, 23).substr(38), "1  msg ! read");
    store(kBob, kAnn, "three");
    run("", [&] { ReadEmail(s, false, false, false); });
    EXPECT_EQ(test::RowText(s.writer, 23).substr(38), "2  msg ! read");
    ASSERT_TRUE(PackMessageBase("", "EMAIL").ok);
    MessageBase base;
    ASSERT_TRUE(OpenAreaFiles(s, base));
    MessageHeader h = header(1);
    h.status = kMessageDeleted;
    ASSERT_TRUE(base.write_header(1, h));
    ASSERT_TRUE(PackMessageBase("", "EMAIL").ok);
    run("", [&] { ReadEmail(s, false, false, false); });
    EXPECT_EQ(test::RowText(s.writer, 23).substr(38), "1  msg ! read");
}

// Where the game watches the header file, a move trusts its last look until the file is written:
// another node's letter shows at the next move after it, the caller's own at once.
TEST_F(MailTest, TheWatchedNoticeFollowsOtherNodesLettersAndTheCallersOwn) {
    ASSERT_TRUE(s.watch.start());
    ASSERT_TRUE(OpenEmailArea(s));
    const auto move = [&] {
        s.keys.wait_for_key(0);
        ReadEmail(s, false, false, false);
        return test::RowText(s.writer, 23).substr(38);
    };
    EXPECT_NE(move().find("No mail waiting"), std::string::npos);
    store(kBob, kAnn, "one", 0, false);
    EXPECT_EQ(move(), "1  msg ! read");
    store(kBob, kAnn, "two", 0, false);
    EXPECT_EQ(move(), "2  msg ! read");
    store(kAnn, kAnn, "note to self");
    ReadEmail(s, false, false, false);
    EXPECT_EQ(test::RowText(s.writer, 23).substr(38), "3  msg ! read");
    ASSERT_TRUE(PackMessageBase("", "EMAIL").ok);
    store(kJoe, kAnn, "after the pack", 0, false);
    EXPECT_EQ(move(), "4  msg ! read");
}

}  // namespace
}  // namespace vorn
