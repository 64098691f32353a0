// What the two readers share on the screen: a message under the "mailhead" screen, the rows of
// the message lists, the built-in list when a list's screens are missing, and the command prompt
// that takes a message number or a command key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_area_record.hpp"

namespace vorn {

struct Session;

// Clears the screen and shows message `number`: the header screen and the text, with the key
// pause whenever a screen is full.
void ShowMessage(Session& session, std::uint32_t number, const MessageHeader& header,
                 const std::vector<std::string>& lines);

// The form values of a list row: form mode 19 (e-mail) or 21 (public areas).
void SetListRowValues(Session& session, int form_mode, std::uint32_t number,
                      const MessageHeader& header);

// The list without its screens: a heading and a rule, then rows of number, subject, sender,
// receiver, date and time. Lines count for the page pause.
void BuiltInListHeading(Session& session);
void BuiltInListRow(Session& session, std::uint32_t number, const MessageHeader& header);
void BuiltInListEnd(Session& session);

// Shows the reader's prompt and reads keys until one of `commands` (upper-cased; "\r" Enter,
// "\x1b" ESC) arrives. Digits typed before Enter are echoed (BS erases) and give `number`; it is
// -1 when none were typed. Returns the command, or 0 when the session ends.
char ReaderCommand(Session& session, const std::string& prompt, std::string_view commands,
                   std::int64_t& number);

// The value of typed digits, held at the largest message number.
std::uint32_t NumberOf(std::string_view digits);

}  // namespace vorn
