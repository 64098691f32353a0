// Letters between players of the boards of a league. A player writes to "Name@Board" in his
// e-mail; the letter waits in league/ until the export sends it (through the hub when the league
// has one), the receiving board puts it in its player's e-mail from "Sender (Board)", the
// board's address with it, and sends a receipt back, and the writing board sends it again after a
// day without one. Each board takes a letter in once, however often it arrives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "league/league_files.hpp"
#include "league/league_settings.hpp"
#include "league/packet.hpp"

namespace vorn {

struct ExchangeReport;

// "Ann@Eastwatch": the player as the board's last standing names him, and the board's address.
// False when the league has no such board or its standing no such player.
bool FindLeaguePlayer(const LeagueSettings& settings, std::string_view name, std::string_view board,
                      std::string& player, NetworkAddress& address);

// Keeps a letter to send with the next export. False when it could not be kept.
bool QueueLeagueLetter(const LeagueSettings& settings, const NetworkAddress& to_board,
                       const LetterBody& body, std::int64_t now);

// The letters and receipts of one exchange, under the league's lock.
class LetterStore {
  public:
    LetterStore(LeagueFiles& files, const LeagueSettings& settings);

    // A letter from a packet: taken in when it is for this board, kept to pass on on the hub.
    void take(const LeagueLetter& letter, std::int64_t now, ExchangeReport& report);
    // A receipt from a packet: ends the sending of a letter written here; the hub passes it on.
    void take(const LetterReceipt& receipt);
    // Letters written here and not receipted a day after they were last sent go again.
    void send_again(std::int64_t now);
    // What goes to `peer` of what arrived after `after`.
    void pick(const NetworkAddress& peer, std::uint32_t after, LeaguePacket& packet) const;

  private:
    std::int64_t find_letter(const NetworkAddress& from, std::uint32_t number) const;
    std::int64_t find_receipt(const NetworkAddress& from, std::uint32_t number) const;
    bool deliver(const LeagueLetter& letter, ExchangeReport& report);
    void keep_letter(const LeagueLetter& letter, bool on_its_way, std::int64_t now);
    void keep_receipt(const LetterReceipt& receipt);

    LeagueFiles& files_;
    const LeagueSettings& settings_;
    std::vector<HeldLetter> letters_;
    std::vector<HeldReceipt> receipts_;
};

// The file that holds a letter's body while it is on its way.
std::string LetterBodyPath(const NetworkAddress& from, std::uint32_t number);

}  // namespace vorn
