#include "play/town_prompts.hpp"

#include <cctype>
#include <string>

#include "core/session.hpp"
#include "term/line_editor.hpp"

namespace vorn {

std::int64_t ParseAmount(std::string_view text) {
    std::int64_t value = 0;
    int used = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        if (++used > 18) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

void MessageWait(Session& session) {
    session.keys.wait_for_key(session.users.current.msg_delay);
}

void TextAt(Session& session, int column, int row, int colour, std::string_view text, int width) {
    Writer& out = session.writer;
    out.go_to(column, row);
    out.set_foreground(colour);
    out.print_coded_within(text, width > 0 ? width : kScreenColumns - column);
}

void MessageAt(Session& session, int column, int row, int colour, std::string_view text) {
    TextAt(session, column, row, colour, text);
    MessageWait(session);
}

void MessageLine(Session& session, std::string_view text) {
    session.writer.print_coded_line(text);
    MessageWait(session);
}

char ReadMenuKey(Session& session, std::string_view keys) {
    for (;;) {
        const std::uint8_t k = session.keys.read_key();
        if (session.time.ended) return 0;
        if (session.keys.extended_key() != 0) continue;
        const char c = static_cast<char>(std::toupper(k));
        if (c != 0 && keys.find(c) != std::string_view::npos) return c;
    }
}

std::int64_t ReadAmount(Session& session, std::string_view default_text, int digits) {
    return ParseAmount(
        session.keys.input_line(default_text, 0, CharacterRange('0', '9'), "", digits, 0));
}

}  // namespace vorn
