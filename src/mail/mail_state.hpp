// What one call knows about the message areas: the current area, how many public areas there
// are, and how far the new-mail notice has counted the e-mail area. Held by the session.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_area_record.hpp"
#include "common/message_base.hpp"

namespace vorn {

// Letters to players of the other boards of a league: e-mail to "Name@Board". A letter's party
// of another board carries its name, the board's address, and "Name (Board)" as shown. Set by
// the game on a board in a league; empty otherwise.
struct LeagueMail {
    // The player and his board as the league knows them; false when it knows no such player.
    std::function<bool(std::string_view name, std::string_view board, std::string& player,
                       std::string& board_name, NetworkAddress& address)>
        find;
    // Sends the letter with the league; false when it could not be kept for sending.
    std::function<bool(const MessageHeader& header, const std::vector<std::string>& lines)> send;
};

struct MailState {
    MessageAreaRecord area{};      // the current area
    std::uint32_t area_index = 0;  // 0: the e-mail area; n: record n of msgarea.dat
    std::uint32_t area_count = 0;  // records of msgarea.dat
    // The file base of an area whose pack found it held by this caller's own reader (a post
    // made from inside it): the reader packs it when it lets go.
    std::string pack_wanted;

    // The notice counts the caller's mail once and then only what was added since: a pack
    // (a new header file) or the caller's own reading makes it count again.
    struct NoticeCount {
        bool valid = false;
        dev_t device = 0;
        ino_t inode = 0;
        std::uint32_t scanned = 0;  // headers counted
        std::uint32_t mail = 0;     // of them, the caller's and not deleted
    } notice;
    // The notice asks at every move: the e-mail area's record and files stay open for the call,
    // opened again when a pack has replaced them.
    MessageAreaRecord notice_area{};
    bool notice_area_loaded = false;
    MessageBase notice_base;
    // The header file's stamp at the notice's last look, which holds while the file watch tells
    // the file has not been written since and this node has opened no area meanwhile (its own
    // posts, reading and packs go through an opened area); the watch's slot and which file it
    // watches.
    FileStamp notice_header{};
    bool notice_header_seen = false;
    int notice_watch = -1;
    dev_t notice_watch_device = 0;
    ino_t notice_watch_inode = 0;

    LeagueMail league;
};

}  // namespace vorn
