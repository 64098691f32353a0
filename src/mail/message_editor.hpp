// Writing the text of a message: the full-screen editor on the "fseditor" screen, or, for callers
// who chose it on their option screen, the line editor that takes one line at a time. Both can
// quote the message replied to and append the writer's signature.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

struct Session;

struct MessageDraft {
    std::string to;
    std::string from;
    std::string subject;             // the editors may change it
    std::string area;                // the area's name, for the header
    std::vector<std::string> lines;  // the text: given when a message is edited, filled on save
    bool anonymous = false;
    // The message replied to, and the initials its quoted lines carry ("??" when anonymous).
    std::vector<std::string> quote;
    std::string quote_initials;
    // Set on save: the lines before the appended signature, 0 when none was appended.
    std::uint16_t sig_start = 0;
};

// Runs the caller's editor. True when the text was saved (the draft then holds it, the
// signature appended), false when it was abandoned.
bool EditMessageText(Session& session, MessageDraft& draft);

// The quoted form of a line of the message replied to: colour codes removed, the initials and
// "> " in front unless a ">" stands in its first three characters, cut to 79 characters.
std::string QuotedLine(std::string_view line, std::string_view initials);
// Appends the caller's signature (1 to 6 lines) after an empty line when the text leaves room
// for it (at most 193 lines), and returns the lines before it; 0 when none was appended.
std::uint16_t AppendSignature(Session& session, std::vector<std::string>& lines);

}  // namespace vorn
