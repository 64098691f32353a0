// Two key sources feed a chat. The caller's keys come through the key reader as always; the
// sysop tool's bytes arrive on its socket and go through a key-sequence parser of their own, so
// his Alt-C (ESC c) ends the chat whatever the caller types. While the tool is attached every
// byte the caller is sent is copied to it, so the sysop sees the caller's screen.
#include "node/chat.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <string>

#include "common/system_log.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "node/node_table.hpp"
#include "term/access_expression.hpp"
#include "term/key_sequences.hpp"
#include "term/system_text.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kEnter = 13;
// Slices of the wait while the sysop is attached: his keys show this quickly.
constexpr int kSysopSliceMs = 20;
constexpr int kLineChatWidth = 79;
// A send to the sysop's terminal that cannot go out for this long means he has gone.
constexpr int kMirrorWaitMs = 1000;
constexpr int kScreenSlot = 1;
constexpr int kSavedSlots = 30;

struct ChatKey {
    std::uint8_t code = 0;
    bool extended = false;
    bool sysop = true;
    bool ended = false;
};

// The keys of both sides, and the copy of the screen for the sysop.
class ChatInput {
  public:
    explicit ChatInput(Session& session) : session_(session), fd_(session.chat.sysop_fd) {
        if (fd_ >= 0) session.writer.set_mirror([this](std::string_view bytes) { mirror(bytes); });
    }
    ~ChatInput() {
        session_.writer.flush();
        session_.writer.set_mirror(nullptr);
    }
    ChatInput(const ChatInput&) = delete;
    ChatInput& operator=(const ChatInput&) = delete;

    bool attached() const { return fd_ >= 0; }

    ChatKey next() {
        Session& s = session_;
        KeyReader& keys = s.keys;
        for (;;) {
            if (s.time.ended || sysop_gone_) return ChatKey{0, false, true, true};
            if (!sysop_keys_.empty()) {
                const Key k = sysop_keys_.front();
                sysop_keys_.pop_front();
                return ChatKey{k.code, k.extended, true, false};
            }
            if (!attached()) {
                const std::uint8_t code = keys.read_key();
                if (s.time.ended) continue;
                return ChatKey{code, keys.extended_key() != 0, true, false};
            }
            read_sysop();
            if (!sysop_keys_.empty() || sysop_gone_) continue;
            if (keys.wait_for_key(kSysopSliceMs)) {
                const std::uint8_t code = keys.read_key();
                if (s.time.ended) continue;
                return ChatKey{code, keys.extended_key() != 0, false, false};
            }
            // The round the key reader would run: delivery and the heartbeat go on.
            if (s.clock.monotonic_ms() - last_round_ms_ >= kKeyTickMs) {
                last_round_ms_ = s.clock.monotonic_ms();
                NodeRound(s);
            }
        }
    }

  private:
    void read_sysop() {
        char buffer[64];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            sysop_gone_ = true;
            return;
        }
        const std::int64_t now = session_.clock.monotonic_ms();
        const auto collect = [this] {
            Key k;
            while (parser_.next(k)) sysop_keys_.push_back(k);
        };
        for (ssize_t i = 0; i < n; ++i) {
            const auto byte = static_cast<std::uint8_t>(buffer[i]);
            if (parser_.feed(byte) == KeySequenceParser::Result::kNotMine) {
                sysop_keys_.push_back(Key{byte, false});
            }
            collect();
        }
        if (n > 0) last_byte_ms_ = now;
        if (parser_.pending()) {
            parser_.quiet(static_cast<int>(std::min<std::int64_t>(now - last_byte_ms_, 1 << 30)));
            collect();
        }
    }

    void mirror(std::string_view bytes) {
        while (!bytes.empty() && !sysop_gone_) {
            struct pollfd p {
                fd_, POLLOUT, 0
            };
            if (::poll(&p, 1, kMirrorWaitMs) <= 0) {
                sysop_gone_ = true;
                return;
            }
            const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) {
                sysop_gone_ = true;
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    Session& session_;
    int fd_;
    KeySequenceParser parser_;
    std::deque<Key> sysop_keys_;
    std::int64_t last_byte_ms_ = 0;
    std::int64_t last_round_ms_ = 0;
    bool sysop_gone_ = false;
};

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

void ChatLog(Session& session, std::string_view line) {
    WriteChatLog(session.log_target(), session.clock, line);
}

// The caller as far as the session knows him: the character in play on this node, the name
// the board or the logon gave, or nobody yet (the record then holds the placeholder player).
std::string CallerCharacter(const Session& session) {
    return session.users.held_player != 0 ? session.users.current.name.str() : std::string();
}
std::string CallerRealName(const Session& session) {
    return session.users.held_player != 0 || session.logged_on
               ? session.users.current.real_name.str()
               : std::string();
}

// A line of the chat log with the initials of who said it: the sysop or the caller.
void ChatLogSaid(Session& session, bool sysop, std::string_view text) {
    std::string name = session.system.sysop_name;
    if (!sysop) {
        name = CallerCharacter(session);
        if (name.empty()) name = CallerRealName(session);
    }
    ChatLog(session,
            (name.empty() ? std::string("??") : Initials(name)) + "> " + std::string(text));
}

void ChatLogHeader(Session& session) {
    const std::string character = CallerCharacter(session);
    const std::string real_name = CallerRealName(session);
    std::string caller = "a caller not logged on yet";
    if (!character.empty()) {
        caller = character + " (" + real_name + ")";
    } else if (!real_name.empty()) {
        caller = real_name + " (no character yet)";
    }
    ChatLog(session, "-- Line chat with user: " + caller);
    ChatLog(session,
            "   at " + ExpandText(session, "%TI", 0) + ", " + ExpandText(session, "%DT", 0));
    ChatLog(session, std::string(79, '\xC4'));
}

// What every chat does when it ends: the time back to the caller, the log line, the screen back.
class ChatFrame {
  public:
    explicit ChatFrame(Session& session)
        : session_(session),
          cursor_(session.writer.cursor()),
          colour_(session.writer.colour()),
          start_ms_(session.clock.monotonic_ms()) {
        session.chat.running = true;
        session.writer.save_screen(kScreenSlot);
    }
    void end(const char* log_line) {
        Session& s = session_;
        s.chat.running = false;
        ++s.chat.held;
        s.time.extra_seconds += static_cast<double>(s.clock.monotonic_ms() - start_ms_) / 1000.0;
        s.log(log_line);
    }
    // The screen as it was when the chat began, the cursor where it stood.
    void restore_screen() {
        Writer& w = session_.writer;
        w.restore_screen(kScreenSlot);
        w.go_to(cursor_.column, cursor_.row);
        w.set_colour(colour_);
    }
    std::int64_t seconds() const { return (session_.clock.monotonic_ms() - start_ms_) / 1000; }

  private:
    Session& session_;
    CursorPosition cursor_;
    TextColour colour_;
    std::int64_t start_ms_;
};

// A sysop's command of the line chat; returns whether the usual line end follows it.
bool LineChatCommand(Session& s, const ChatFrame& frame, std::string_view typed, bool& done) {
    Writer& w = s.writer;
    const std::string text = UpperCase(Trimmed(typed.substr(1)));
    const std::size_t space = text.find(' ');
    const std::string command = text.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : Trimmed(text.substr(space));
    if (command == "TYPE") {
        // Display files of the game by name, never a path to anywhere else.
        if (argument.empty() || argument.find_first_of("/\\") != std::string::npos) return true;
        w.new_lines(1);
        w.show_display_file(argument, 28);
    } else if (command == "ACS") {
        if (argument.empty()) return true;
        w.go_to_column(1);
        w.print_coded_line(CheckAccess(s, argument) ? "|U2-- |U1Access |U3ok|U2."
                                                    : "|U2-- |U1Access |U3denied|U2.");
        return false;
    } else if (command == "PAGE") {
        PageTone(s);
    } else if (command == "TIME") {
        char talked[32];
        std::snprintf(talked, sizeof talked, "%ld:%02ld", static_cast<long>(frame.seconds() / 60),
                      static_cast<long>(frame.seconds() % 60));
        w.go_to_column(1);
        w.print_coded_line("|U2-- |U1Current time|U2: |U3" + ExpandText(s, "%TI", 0) +
                           "|U2, |U1date|U2: |U3" + ExpandText(s, "%DT", 0) +
                           "   |U1Chatting for|U2: |U3" + talked);
        return false;
    } else if (command == "CLS") {
        w.clear_screen();
        return false;
    } else if (command == "BYE") {
        s.time.note_end("hang-up by the sysop");
        s.time.ended = true;
        return false;
    } else if (command == "Q" || command == "QUIT") {
        done = true;
    } else if (command == "?" || command == "HELP") {
        w.show_display_file("chathelp", 28);
    }
    return true;
}

struct ChatWindow {
    int left = 2;
    int top = 2;
    int right = 79;
    int bottom = 11;
    TextColour colour;
    int column = 1;
    int row = 1;
    std::string line;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

// A window from two template slots: the top-left corner with its colour, the bottom-right corner.
ChatWindow WindowFromSlots(const Session& s, int corner, int far_corner, ChatWindow fallback) {
    const TemplateSlot& a = s.codes.slots[static_cast<std::size_t>(corner)];
    const TemplateSlot& b = s.codes.slots[static_cast<std::size_t>(far_corner)];
    if (!a.set || !b.set) return fallback;
    ChatWindow w;
    w.left = a.column;
    w.top = a.row;
    // Column 80 is never written: the terminal would wrap.
    w.right = std::min<int>(b.column, kScreenColumns - 1);
    w.bottom = b.row;
    w.colour = TextColour{a.foreground, a.background, a.blink};
    // Too small a window could not wrap a line: the screen's markers are taken as missing.
    if (w.width() < 10 || w.bottom < w.top) return fallback;
    return w;
}

class SplitScreen {
  public:
    SplitScreen(Session& session, ChatWindow one, ChatWindow two)
        : session_(session), windows_{one, two} {}

    ChatWindow& window(int i) { return windows_[static_cast<std::size_t>(i)]; }

    void clear(int i) {
        Writer& w = session_.writer;
        const ChatWindow& win = window(i);
        w.set_colour(win.colour);
        for (int row = win.top; row <= win.bottom; ++row) {
            w.go_to(win.left, row);
            w.print_text(std::string(static_cast<std::size_t>(win.width()), ' '));
        }
    }

    // The cursor and colour of window i.
    void enter_window(int i) {
        const ChatWindow& win = window(i);
        session_.writer.go_to(win.left + win.column - 1, win.top + win.row - 1);
        session_.writer.set_colour(win.colour);
    }

    void type(int i, std::uint8_t c) {
        ChatWindow& win = window(i);
        enter_window(i);
        session_.writer.put_character(c);
        win.line += static_cast<char>(c);
        ++win.column;
        if (static_cast<int>(win.line.size()) >= win.width() - 1) wrap(i);
    }

    void backspace(int i) {
        ChatWindow& win = window(i);
        if (win.column <= 1) return;
        enter_window(i);
        session_.writer.erase_back(1);
        --win.column;
        if (!win.line.empty()) win.line.pop_back();
    }

    void enter(int i) {
        ChatWindow& win = window(i);
        ChatLogLine(session_, i + 1, win.line);
        const std::string finished = win.line;
        win.line.clear();
        new_line(i, finished);
    }

  private:
    // Row + 1; past the bottom the window is cleared and `reprint` (the line just finished)
    // starts it again.
    void new_line(int i, const std::string& reprint) {
        ChatWindow& win = window(i);
        ++win.row;
        win.column = 1;
        if (win.row > win.height()) {
            clear(i);
            win.row = 1;
            if (!reprint.empty()) {
                enter_window(i);
                session_.writer.print_text(reprint);
                win.row = 2;
            }
        }
        enter_window(i);
    }

    void wrap(int i) {
        ChatWindow& win = window(i);
        const auto limit = static_cast<std::size_t>(win.width() - 1);
        std::size_t cut = win.line.find_last_of(" -", limit - 1);
        if (cut == std::string::npos) cut = limit - 1;
        const std::string rest = win.line.substr(cut + 1);
        ChatLogLine(session_, i + 1, win.line.substr(0, cut + 1));
        session_.writer.erase_back(static_cast<int>(rest.size()));
        win.line.clear();
        new_line(i, "");
        session_.writer.print_text(rest);
        win.line = rest;
        win.column = static_cast<int>(rest.size()) + 1;
    }

    Session& session_;
    std::array<ChatWindow, 2> windows_;
};

}  // namespace

void LineChat(Session& session) {
    Session& s = session;
    Writer& w = s.writer;
    ChatFrame frame(s);
    s.log("*Chat mode initiated");
    ChatInput input(s);
    // The sysop's terminal starts with what the caller sees.
    if (input.attached()) frame.restore_screen();
    if (s.system.log_line_chat) ChatLogHeader(s);
    w.print_prompt_text(GetSystemString(s, SystemText::kChatStarted));
    w.new_lines(1);
    w.set_foreground(4);
    std::string line;
    bool line_by_sysop = true;  // who typed the line's first character
    bool done = false;
    while (!done) {
        const ChatKey k = input.next();
        if (k.ended) break;
        if (k.extended) {
            if (k.code == key::kAltC && k.sysop) break;
            if (k.code == key::kUp) w.cursor_up(1);
            if (k.code == key::kDown) w.cursor_down(1);
            if (k.code == key::kLeft) w.cursor_left(1);
            if (k.code == key::kRight) w.cursor_right(1);
            continue;
        }
        if (k.code == kBackspace) {
            if (!line.empty()) {
                w.erase_back(1);
                line.pop_back();
            }
        } else if (k.code == kEnter) {
            if (line.empty()) line_by_sysop = k.sysop;
            if (s.system.log_line_chat) ChatLogSaid(s, line_by_sysop, line);
            bool line_end = true;
            // Only the sysop commands: a remote caller's "/" lines are words like any other.
            if (line.size() > 1 && line[0] == '/' && k.sysop) {
                line_end = LineChatCommand(s, frame, line, done);
            }
            if (line_end && !s.time.ended) w.new_lines(1);
            line.clear();
        } else if (k.code >= 32 && k.code <= 254) {
            if (line.empty()) line_by_sysop = k.sysop;
            w.set_foreground(k.sysop ? 6 : 3);
            w.put_character(k.code);
            line += static_cast<char>(k.code);
            if (line.size() >= kLineChatWidth) {
                std::size_t cut = line.find_last_of(" -", kLineChatWidth - 1);
                if (cut == std::string::npos) cut = kLineChatWidth - 1;
                const std::string rest = line.substr(cut + 1);
                if (s.system.log_line_chat) ChatLogSaid(s, line_by_sysop, line.substr(0, cut + 1));
                w.erase_back(static_cast<int>(rest.size()));
                w.new_lines(1);
                w.print_text(rest);
                line = rest;
            }
        }
    }
    if (s.system.log_line_chat && !line.empty()) ChatLogSaid(s, line_by_sysop, line);
    frame.end("*Chat mode terminated.");
    if (s.time.ended) return;
    w.print_prompt_text(GetSystemString(s, SystemText::kChatEnded));
    w.new_lines(1);
    frame.restore_screen();
}

void SplitChat(Session& session) {
    Session& s = session;
    Writer& w = s.writer;
    if (w.find_display_file("chatmode").empty()) {
        s.log("Split-screen chat attempted, but template did not exist.");
        LineChat(s);
        return;
    }
    if (s.system.log_split_chat) ChatLogHeader(s);
    const auto saved_slots = s.codes.slots;
    ChatFrame frame(s);
    ChatInput input(s);
    // The screen's markers set the corners of both windows (slots 1 to 4).
    for (int slot = 1; slot <= 4; ++slot) s.codes.slots[static_cast<std::size_t>(slot)].set = false;
    w.show_display_file("chatmode", 16);
    ChatWindow top;
    top.colour = TextColour{14, 0, false};
    ChatWindow bottom;
    bottom.top = 14;
    bottom.bottom = 23;
    bottom.colour = TextColour{11, 0, false};
    SplitScreen screen(s, WindowFromSlots(s, 1, 2, top), WindowFromSlots(s, 3, 4, bottom));
    screen.clear(1);
    screen.clear(0);
    screen.enter_window(0);
    for (;;) {
        const ChatKey k = input.next();
        if (k.ended) break;
        if (k.extended) {
            if (k.code == key::kAltC && k.sysop) break;
            continue;
        }
        // With the sysop tool attached the caller has a window of his own.
        const int i = input.attached() && !k.sysop ? 1 : 0;
        if (k.code == kBackspace) {
            screen.backspace(i);
        } else if (k.code == kEnter) {
            screen.enter(i);
        } else if (k.code >= 32 && k.code <= 254) {
            screen.type(i, k.code);
        } else {
            s.keys.check_time_limit();
        }
    }
    if (!screen.window(0).line.empty()) {
        ChatLogLine(s, 1, screen.window(0).line);
    } else if (!screen.window(1).line.empty()) {
        ChatLogLine(s, 2, screen.window(1).line);
    }
    frame.end("*Split-screen chat terminated.");
    for (int slot = 1; slot <= kSavedSlots; ++slot) {
        s.codes.slots[static_cast<std::size_t>(slot)] = saved_slots[static_cast<std::size_t>(slot)];
    }
    if (!s.time.ended) frame.restore_screen();
}

void ChatLogLine(Session& session, int window, std::string_view text) {
    if (session.system.log_split_chat) ChatLogSaid(session, window == 1, text);
}

void PageTone(Session& session) {
    // No speaker on this side of the line: the attached sysop's terminal rings instead.
    if (session.chat.sysop_fd >= 0) {
        (void)!::send(session.chat.sysop_fd, "\a", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
}

}  // namespace vorn
