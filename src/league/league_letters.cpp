#include "league/league_letters.hpp"

#include <cstring>

#include "common/file_calls.hpp"
#include "common/message_area_files.hpp"
#include "common/message_base.hpp"
#include "common/system_log.hpp"
#include "common/text_case.hpp"
#include "common/user_records.hpp"
#include "league/league_exchange.hpp"

namespace vorn {

namespace {

// The number of the player of that name (any case) in users.idx, 0 when there is none.
std::uint16_t PlayerNumber(std::string_view name, UserIndexEntry& entry) {
    RecordFile index;
    if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) return 0;
    const std::string wanted = UpperCase(name);
    const std::uint64_t count = std::min<std::uint64_t>(index.record_count(), kMaxUsers);
    for (std::uint64_t i = 0; i < count; ++i) {
        if (index.read(i, &entry) && !entry.deleted && UpperCase(entry.name.view()) == wanted) {
            return static_cast<std::uint16_t>(i + 1);
        }
    }
    return 0;
}

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size() && lines.size() < kMessageMaxLines) {
        std::size_t end = text.find('\r', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, std::min<std::size_t>(end - start, kMessageLineLength)));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string LetterBodyPath(const NetworkAddress& from, std::uint32_t number) {
    return std::string(kLeagueLetterFolder) + "/" + AddressName(from) + "_" + Padded(number) +
           ".let";
}

bool FindLeaguePlayer(const LeagueSettings& settings, std::string_view name, std::string_view board,
                      std::string& player, NetworkAddress& address) {
    const LeagueBoard* b = settings.board_named(board);
    if (b == nullptr) return false;
    LeagueView view;
    if (!ReadLeagueView(view)) return false;
    const std::string wanted = UpperCase(name);
    for (const Standing& s : view.standings) {
        if (!(s.board == b->address)) continue;
        for (const StandingRow& row : s.rows) {
            if (UpperCase(row.name) != wanted) continue;
            player = row.name;
            address = b->address;
            return true;
        }
    }
    return false;
}

bool QueueLeagueLetter(const LeagueSettings& settings, const NetworkAddress& to_board,
                       const LetterBody& body, std::int64_t now) {
    LeagueFiles files;
    std::vector<std::string> notes;
    if (!files.open(true, notes)) return false;
    const std::uint32_t number = files.links[0].letters + 1;
    if (!ReplaceWholeFile(LetterBodyPath(settings.address, number), EncodeLetterBody(body),
                          ".tmp")) {
        return false;
    }
    HeldLetter r{};
    std::memset(&r, 0, sizeof r);
    r.from_board = ToRecord(settings.address);
    r.number = number;
    r.to_board = ToRecord(to_board);
    r.arrival = files.next_arrival();
    r.sent = now;
    r.state = kLetterOnItsWay;
    files.links[0].letters = number;
    return files.letters().append(&r) && files.save_links();
}

LetterStore::LetterStore(LeagueFiles& files, const LeagueSettings& settings)
    : files_(files), settings_(settings) {
    letters_.resize(files.letters().record_count());
    for (std::uint64_t i = 0; i < letters_.size(); ++i) {
        if (!files.letters().read(i, &letters_[i]))
            std::memset(&letters_[i], 0, sizeof letters_[i]);
    }
    receipts_.resize(files.receipts().record_count());
    for (std::uint64_t i = 0; i < receipts_.size(); ++i) {
        if (!files.receipts().read(i, &receipts_[i])) {
            std::memset(&receipts_[i], 0, sizeof receipts_[i]);
        }
    }
}

std::int64_t LetterStore::find_letter(const NetworkAddress& from, std::uint32_t number) const {
    for (std::size_t i = 0; i < letters_.size(); ++i) {
        if (FromRecord(letters_[i].from_board) == from && letters_[i].number == number) {
            return static_cast<std::int64_t>(i);
        }
    }
    return -1;
}

std::int64_t LetterStore::find_receipt(const NetworkAddress& from, std::uint32_t number) const {
    for (std::size_t i = 0; i < receipts_.size(); ++i) {
        if (FromRecord(receipts_[i].from_board) == from && receipts_[i].number == number) {
            return static_cast<std::int64_t>(i);
        }
    }
    return -1;
}

// Puts the letter in the e-mail of the player it is for, from "Sender (Board)". A letter for no
// player here is noted and let go; false only when the e-mail files cannot be written.
bool LetterStore::deliver(const LeagueLetter& letter, ExchangeReport& report) {
    LetterBody body;
    const std::string from = BoardName(settings_, letter.from_board);
    if (!DecodeLetterBody(letter.body, body)) {
        report.notes.push_back("league: a letter from " + from + " is damaged; let go");
        return true;
    }
    UserIndexEntry entry{};
    const std::uint16_t number = PlayerNumber(body.to_name, entry);
    if (number == 0) {
        report.notes.push_back("league: a letter from " + body.from_name + " (" + from + ") for " +
                               body.to_name + ", who plays here no more; let go");
        return true;
    }
    MessageHeader h;
    std::memset(&h, 0, sizeof h);
    const std::string sender = body.from_name + " (" + from + ")";
    h.sender.name = std::string_view(body.from_name).substr(0, 36);
    h.sender.real_name = std::string_view(body.from_name).substr(0, 36);
    h.sender.shown = std::string_view(sender).substr(0, 36);
    h.sender.description = "None";
    h.sender.zone = letter.from_board.zone;
    h.sender.net = letter.from_board.net;
    h.sender.node = letter.from_board.node;
    h.sender.point = letter.from_board.point;
    h.receiver.user_number = number;
    h.receiver.name = entry.name.view();
    h.receiver.real_name = entry.real_name.view();
    h.receiver.shown = entry.name.view();
    h.subject = std::string_view(body.subject).substr(0, 40);
    h.status = kMessagePrivate;
    h.flags2 = static_cast<std::uint16_t>(kFlags2Always | kFlags2Private);
    h.written = PackDosDateTime(DateTimeOf(body.date));
    MessageAreaRecord area;
    const std::string file_base = ReadAreaRecord(kEmailAreaFile, 0, area) && !area.area_file.empty()
                                      ? area.area_file.str()
                                      : std::string(kEmailFileBase);
    MessageBase base;
    if (!base.open("", file_base)) return false;
    MessageLimit limit;
    limit.max_messages = area.max_messages == 0 ? 65535u : area.max_messages;
    if (base.append(TextLines(body.text), h, limit) != StoreResult::kStored) {
        report.notes.push_back("league: a letter for " + body.to_name + " could not be stored");
        return false;
    }
    StoreAreaMessageCount(kEmailAreaFile, 0, base.count());
    report.notes.push_back("league: a letter from " + sender + " for " + body.to_name);
    return true;
}

// A letter kept here: on its way (written here, or passed on by the hub) or taken in.
void LetterStore::keep_letter(const LeagueLetter& letter, bool on_its_way, std::int64_t now) {
    HeldLetter r;
    std::memset(&r, 0, sizeof r);
    r.from_board = ToRecord(letter.from_board);
    r.number = letter.number;
    r.to_board = ToRecord(letter.to_board);
    r.arrival = on_its_way ? files_.next_arrival() : 0;
    r.sent = now;
    r.state = on_its_way ? kLetterOnItsWay : kLetterTakenIn;
    if (files_.letters().append(&r)) letters_.push_back(r);
}

// A receipt to send (given here, or passed on by the hub); one already kept goes once more.
void LetterStore::keep_receipt(const LetterReceipt& receipt) {
    const std::int64_t held = find_receipt(receipt.from_board, receipt.number);
    if (held >= 0) {
        HeldReceipt& r = receipts_[static_cast<std::size_t>(held)];
        r.arrival = files_.next_arrival();
        files_.receipts().write(static_cast<std::uint64_t>(held), &r);
        return;
    }
    HeldReceipt r;
    std::memset(&r, 0, sizeof r);
    r.from_board = ToRecord(receipt.from_board);
    r.number = receipt.number;
    r.to_board = ToRecord(receipt.to_board);
    r.arrival = files_.next_arrival();
    if (files_.receipts().append(&r)) receipts_.push_back(r);
}

void LetterStore::take(const LeagueLetter& letter, std::int64_t now, ExchangeReport& report) {
    const std::int64_t held = find_letter(letter.from_board, letter.number);
    if (letter.to_board == settings_.address) {
        // A letter taken in before was sent again: its receipt did not get there.
        if (held < 0) {
            if (!deliver(letter, report)) return;  // the writer sends it again
            keep_letter(letter, false, now);
        }
        keep_receipt({letter.from_board, letter.number, settings_.address});
        return;
    }
    if (!settings_.is_hub()) return;  // not for this board, and it passes nothing on
    if (held >= 0) {
        HeldLetter& r = letters_[static_cast<std::size_t>(held)];
        if (r.state != kLetterOnItsWay) return;
        r.arrival = files_.next_arrival();
        files_.letters().write(static_cast<std::uint64_t>(held), &r);
        return;
    }
    if (ReplaceWholeFile(LetterBodyPath(letter.from_board, letter.number), letter.body, ".tmp")) {
        keep_letter(letter, true, now);
    }
}

void LetterStore::take(const LetterReceipt& receipt) {
    // The letter (written here, or passed on by the hub) has arrived: nothing to send any more.
    const std::int64_t held = find_letter(receipt.from_board, receipt.number);
    if (held >= 0 && letters_[static_cast<std::size_t>(held)].state == kLetterOnItsWay) {
        HeldLetter& r = letters_[static_cast<std::size_t>(held)];
        r.state = kLetterReceipted;
        files_.letters().write(static_cast<std::uint64_t>(held), &r);
        sys::Unlink(LetterBodyPath(receipt.from_board, receipt.number).c_str());
    }
    if (receipt.from_board == settings_.address || !settings_.is_hub()) return;
    keep_receipt(receipt);
}

void LetterStore::send_again(std::int64_t now) {
    for (std::size_t i = 0; i < letters_.size(); ++i) {
        HeldLetter& r = letters_[i];
        if (!(FromRecord(r.from_board) == settings_.address) || r.state != kLetterOnItsWay ||
            now - r.sent < kResendAfter) {
            continue;
        }
        r.arrival = files_.next_arrival();
        r.sent = now;
        files_.letters().write(i, &r);
    }
}

void LetterStore::pick(const NetworkAddress& peer, std::uint32_t after,
                       LeaguePacket& packet) const {
    for (const HeldLetter& r : letters_) {
        if (r.arrival <= after || r.state != kLetterOnItsWay) continue;
        const NetworkAddress from = FromRecord(r.from_board);
        const NetworkAddress to = FromRecord(r.to_board);
        const bool goes = from == settings_.address ? settings_.next_hop(to) == peer : to == peer;
        LeagueLetter letter{from, r.number, to, {}};
        if (goes && ReadSmallFile(LetterBodyPath(from, r.number), letter.body)) {
            packet.letters.push_back(letter);
        }
    }
    for (const HeldReceipt& r : receipts_) {
        if (r.arrival <= after) continue;
        const NetworkAddress from = FromRecord(r.from_board);
        const NetworkAddress to = FromRecord(r.to_board);
        const bool goes = to == settings_.address ? settings_.next_hop(from) == peer : from == peer;
        if (goes) packet.receipts.push_back({from, r.number, to});
    }
}

}  // namespace vorn
