// Writing messages into the current area: new messages and replies with their receiver, subject
// and privacy rules, edits of stored messages, and the word to the receiver of a new e-mail.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_base.hpp"

namespace vorn {

struct Session;

// Stores a message at the end of the current area; with `update_area` the area record learns
// the new number of messages. A full public area makes room by retiring its oldest messages;
// a full e-mail area refuses.
StoreResult AppendMessage(Session& session, const std::vector<std::string>& lines,
                          MessageHeader& header, bool update_area);
// Stores new text for message `number` of the current area and replaces its header.
bool RewriteMessage(Session& session, std::uint32_t number, const std::vector<std::string>& lines,
                    MessageHeader& header);

// A new message (`reply_to` 0) or a reply to message `reply_to` of the current area. An empty
// `to` or `subject` is asked for. True when the message was stored.
bool PostMessage(Session& session, std::string_view to, std::string_view subject,
                 std::uint32_t reply_to);

// Lets the caller change the text and subject of message `number`; the header stays as it was
// when the editing is abandoned. True when the message was stored again.
bool EditStoredMessage(Session& session, MessageBase& base, std::uint32_t number);

// A copy of message `number` (of the open area `base`) into the caller's own e-mail, marked
// forwarded: the export of the public reader.
bool ExportToOwnMail(Session& session, MessageBase& base, std::uint32_t number);

// Tells the receiver of a new e-mail, when he is playing on another node, that it has come.
void NotifyReceiver(Session& session, std::uint16_t user_number);

}  // namespace vorn
