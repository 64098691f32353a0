// The messages of one area: a file of headers (BASE.jhr) and a file of text lines (BASE.jdt) in
// the message directory, shared by every node.
//
// Several nodes post, read and pack the same area at once, so the files are guarded by two locks
// on bytes past the end of the header file:
// - the write lock, held for the moment a message is stored or a header rewritten: a message's
//   text and header go in as one unit, the header last, so a header never points at text that is
//   not there and two messages never land on the same records;
// - the reading hold, taken shared by every reader for as long as it works through an area and
//   exclusively by packing, which renumbers the messages: an area is packed only while nobody
//   reads it, and a reader's message numbers never change under it.
// Packing writes the new files under names of its own, records them in a journal (BASE.jpk) and
// renames them over the old ones; whoever next takes the write lock finishes a pack that was cut
// short by a crash, so nothing is lost at any moment.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_stamp.hpp"
#include "common/message_area_record.hpp"

namespace vorn {

struct PackResult;

enum class StoreResult {
    kStored,
    kFull,    // the area holds its most messages already
    kFailed,  // a file could not be opened or written: nothing was stored
};

// When an area holds `max_messages` live messages, a new one is refused, or (`make_room`) the
// oldest live messages are marked deleted until it fits.
struct MessageLimit {
    std::uint32_t max_messages = 65535;
    bool make_room = false;
};

// What storing a message found and did.
struct StoreInfo {
    std::uint32_t number = 0;   // the new message's number
    std::uint32_t retired = 0;  // old messages marked deleted to make room
    std::uint32_t deleted = 0;  // deleted messages the area holds (when it was counted)
};

class MessageBase {
  public:
    MessageBase() = default;
    ~MessageBase();
    MessageBase(const MessageBase&) = delete;
    MessageBase& operator=(const MessageBase&) = delete;

    // Opens the area's two files in `directory` ("" or ending in "/"), creating them when
    // missing. False when either can be neither opened nor created.
    bool open(std::string_view directory, std::string_view file_base);
    void close();
    bool is_open() const { return header_fd_ >= 0 && text_fd_ >= 0; }

    // The number of messages (whole header records).
    std::uint32_t count() const;
    // Message `number` (from 1); false when it is not there whole.
    bool read_header(std::uint32_t number, MessageHeader& header) const;
    // Up to `n` headers from message `first` on; returns how many were read.
    std::size_t read_headers(std::uint32_t first, std::size_t n, MessageHeader* out) const;
    // The message's text lines (at most `max_lines`); lines past the end of the text file are
    // missing. False when the text file cannot be read.
    bool read_text(const MessageHeader& header, std::vector<std::string>& lines,
                   std::size_t max_lines = kMessageMaxLines) const;
    // The first message written later than `written` (count + 1 when there is none). Messages
    // are stored in the order of their `written`, so this takes a few reads whatever the size.
    std::uint32_t first_written_after(std::uint32_t written) const;

    // Stores `lines` and `header` as a new message at the end. Sets the header's text_start and
    // text_lines; `written` is kept from going back behind the area's last message.
    StoreResult append(const std::vector<std::string>& lines, MessageHeader& header,
                       const MessageLimit& limit, StoreInfo* info = nullptr);
    // Stores `lines` as new text of message `number` and replaces its header; the old text stays
    // unreferenced until the area is packed.
    bool rewrite(std::uint32_t number, const std::vector<std::string>& lines,
                 MessageHeader& header);
    bool write_header(std::uint32_t number, const MessageHeader& header);

    // The open header file's stamp, from one fstat: which file (a pack puts a new one in place),
    // whether a pack has replaced it (no name left), and its size, which counts the messages
    // (see count_of).
    bool header_stamp(FileStamp& stamp) const;
    int header_descriptor() const { return header_fd_; }
    static std::uint32_t count_of(const FileStamp& header);

    // The reading hold (see above). Taking it may wait for a pack to finish.
    bool hold();
    void release();
    bool held() const { return held_; }

  private:
    friend PackResult PackMessageBase(std::string_view directory, std::string_view file_base);

    bool reopen();
    bool lock_for_writing();
    void unlock_writing();
    bool current() const;
    std::uint32_t text_records() const;
    bool write_lines(std::uint32_t first_record, const std::vector<std::string>& lines);
    std::uint32_t retire_oldest(std::uint32_t count, std::uint32_t max_messages, bool make_room,
                                StoreInfo& info, bool& full);

    std::string directory_;
    std::string file_base_;
    int header_fd_ = -1;
    int text_fd_ = -1;
    bool held_ = false;
};

struct PackResult {
    bool ok = false;    // the area is consistent (packed, or nothing to pack)
    bool busy = false;  // somebody reads the area: packing is left for another time
    std::uint32_t kept = 0;
    std::uint32_t removed = 0;
};

// Rewrites the area without its deleted messages (see above). Never waits for readers.
PackResult PackMessageBase(std::string_view directory, std::string_view file_base);

// The journal of a pack (BASE.jpk): while it is there the pack is not finished, and whoever next
// reads or writes the area finishes it first.
inline constexpr const char* kPackJournalExtension = ".jpk";
// A pack's own files: BASE.jdt.XXXXXX, BASE.jhr.XXXXXX and BASE.jpk.XXXXXX.
bool IsPackFileName(std::string_view name, std::string_view file_base);

// The file of an area: directory + file base + extension.
std::string MessageFilePath(std::string_view directory, std::string_view file_base,
                            std::string_view extension);

}  // namespace vorn
