// Writing and reading league packets. The reader trusts nothing before the signature matches and
// little after: every count and length is checked against what is left before it is used, and a
// packet that breaks the format anywhere is refused whole.
#include "league/packet.hpp"

#include <nettle/hmac.h>
#include <nettle/memops.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/league_records.hpp"

namespace vorn {

namespace {

// A text field keeps its characters up to the first NUL.
std::string FieldText(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

template <class Record>
void Append(std::string& out, const Record& record) {
    out.append(reinterpret_cast<const char*>(&record), sizeof record);
}

// A record of zero bytes: what the writer does not set (reserved bytes, the unused part of a
// string) stays zero.
template <class Record>
Record Zeroed() {
    Record r{};
    std::memset(&r, 0, sizeof r);
    return r;
}

// The payloads as the writer makes them; what is over a limit is cut.
std::string AckPayload(const PacketAck& ack) {
    const std::size_t n = std::min(ack.above.size(), kLeagueMostAbove);
    auto r = Zeroed<LeagueAckRecord>();
    r.through = ack.through;
    r.above_count = static_cast<std::uint32_t>(n);
    std::string payload;
    Append(payload, r);
    for (std::size_t i = 0; i < n; ++i) {
        U32 serial{};
        serial = ack.above[i];
        Append(payload, serial);
    }
    return payload;
}

std::string StandingPayload(const Standing& standing) {
    const std::size_t n = std::min(standing.rows.size(), kLeagueMostStandingRows);
    auto r = Zeroed<LeagueStandingRecord>();
    r.board = ToRecord(standing.board);
    r.night = standing.night;
    r.row_count = static_cast<std::uint16_t>(n);
    std::string payload;
    Append(payload, r);
    for (std::size_t i = 0; i < n; ++i) {
        const StandingRow& from = standing.rows[i];
        auto row = Zeroed<LeagueStandingRow>();
        row.name = from.name;
        row.race = from.race;
        row.level = from.level;
        row.experience = from.experience;
        row.kills = from.kills;
        row.cities = from.cities;
        Append(payload, row);
    }
    return payload;
}

std::string NewsPayload(const LeagueNews& news) {
    auto r = Zeroed<LeagueNewsRecord>();
    r.board = ToRecord(news.board);
    r.number = news.number;
    r.night = news.night;
    r.kind = static_cast<std::uint8_t>(news.kind);
    r.player = news.player;
    r.text = news.text;
    std::string payload;
    Append(payload, r);
    return payload;
}

std::string LetterPayload(const LeagueLetter& letter) {
    const std::string_view body = std::string_view(letter.body).substr(0, kLeagueLetterBodyMost);
    auto r = Zeroed<LeagueLetterRecord>();
    r.from_board = ToRecord(letter.from_board);
    r.number = letter.number;
    r.to_board = ToRecord(letter.to_board);
    r.body_size = static_cast<std::uint32_t>(body.size());
    std::string payload;
    Append(payload, r);
    return payload.append(body);
}

std::string ReceiptPayload(const LetterReceipt& receipt) {
    auto r = Zeroed<LeagueReceiptRecord>();
    r.from_board = ToRecord(receipt.from_board);
    r.number = receipt.number;
    r.to_board = ToRecord(receipt.to_board);
    std::string payload;
    Append(payload, r);
    return payload;
}

// Reads the bytes in front of it, never past its end.
class Cursor {
  public:
    explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

    std::size_t left() const { return bytes_.size(); }

    template <class Record>
    bool take(Record& record) {
        if (bytes_.size() < sizeof record) return false;
        std::memcpy(&record, bytes_.data(), sizeof record);
        bytes_.remove_prefix(sizeof record);
        return true;
    }
    bool take(std::size_t size, std::string_view& part) {
        if (bytes_.size() < size) return false;
        part = bytes_.substr(0, size);
        bytes_.remove_prefix(size);
        return true;
    }

  private:
    std::string_view bytes_;
};

bool ReadAck(Cursor in, PacketAck& ack) {
    LeagueAckRecord r{};
    if (!in.take(r) || r.above_count > kLeagueMostAbove) return false;
    if (in.left() != r.above_count * sizeof(U32)) return false;
    ack.through = r.through;
    for (std::uint32_t i = 0; i < r.above_count; ++i) {
        U32 serial{};
        if (!in.take(serial)) return false;
        if (serial <= ack.through || (!ack.above.empty() && serial <= ack.above.back())) {
            return false;
        }
        ack.above.push_back(serial);
    }
    return true;
}

bool ReadStanding(Cursor in, Standing& standing) {
    LeagueStandingRecord r{};
    if (!in.take(r) || r.row_count > kLeagueMostStandingRows) return false;
    if (in.left() != r.row_count * sizeof(LeagueStandingRow)) return false;
    standing.board = FromRecord(r.board);
    standing.night = r.night;
    for (std::uint16_t i = 0; i < r.row_count; ++i) {
        LeagueStandingRow row;
        in.take(row);
        standing.rows.push_back({FieldText(row.name.view()), row.race, row.level, row.experience,
                                 row.kills, row.cities});
    }
    return true;
}

bool ReadNews(Cursor in, LeagueNews& news) {
    LeagueNewsRecord r{};
    if (!in.take(r) || in.left() != 0) return false;
    if (r.kind < 1 || r.kind > 4 || r.text.length > kLeagueNewsTextMost) return false;
    news = {FromRecord(r.board),
            r.number,
            r.night,
            static_cast<LeagueNewsKind>(r.kind),
            FieldText(r.player.view()),
            FieldText(r.text.view())};
    return true;
}

bool ReadLetter(Cursor in, LeagueLetter& letter) {
    LeagueLetterRecord r{};
    std::string_view body;
    if (!in.take(r) || r.body_size > kLeagueLetterBodyMost) return false;
    if (in.left() != r.body_size || !in.take(r.body_size, body)) return false;
    letter = {FromRecord(r.from_board), r.number, FromRecord(r.to_board), std::string(body)};
    return true;
}

bool ReadReceipt(Cursor in, LetterReceipt& receipt) {
    LeagueReceiptRecord r{};
    if (!in.take(r) || in.left() != 0) return false;
    receipt = {FromRecord(r.from_board), r.number, FromRecord(r.to_board)};
    return true;
}

// One record's payload into the packet. False for an unknown kind or a payload that breaks its
// layout.
bool ReadRecord(std::uint8_t kind, std::string_view payload, LeaguePacket& packet) {
    const Cursor in(payload);
    switch (kind) {
        case kLeagueRecordAck:
            if (packet.ack) return false;
            return ReadAck(in, packet.ack.emplace());
        case kLeagueRecordStanding:
            return ReadStanding(in, packet.standings.emplace_back());
        case kLeagueRecordNews:
            return ReadNews(in, packet.news.emplace_back());
        case kLeagueRecordLetter:
            return ReadLetter(in, packet.letters.emplace_back());
        case kLeagueRecordReceipt:
            return ReadReceipt(in, packet.receipts.emplace_back());
        default:
            return false;
    }
}

// The header's checks, in the order the reader makes them; the header itself in `header`.
PacketProblem CheckHeader(std::string_view bytes, LeaguePacketHeader& header) {
    if (bytes.size() < sizeof header + kLeagueSignatureSize) return PacketProblem::kShort;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (std::memcmp(header.magic, kLeaguePacketMagic, sizeof header.magic) != 0 ||
        header.version == 0 || header.header_size < sizeof header) {
        return PacketProblem::kNotAPacket;
    }
    if (header.version > kLeaguePacketVersion) return PacketProblem::kFutureVersion;
    // A longer header (of a later revision of this version) is skipped.
    if (header.header_size > bytes.size() - kLeagueSignatureSize) return PacketProblem::kShort;
    return PacketProblem::kNone;
}

void TakeHeader(const LeaguePacketHeader& h, LeaguePacket& packet) {
    packet.league = FieldText(std::string_view(h.league, sizeof h.league));
    packet.from = FromRecord(h.from);
    packet.to = FromRecord(h.to);
    packet.serial = h.serial;
    packet.date = h.date;
}

}  // namespace

std::string_view PacketProblemText(PacketProblem problem) {
    switch (problem) {
        case PacketProblem::kNone:
            return "a good packet";
        case PacketProblem::kShort:
            return "shorter than a packet";
        case PacketProblem::kNotAPacket:
            return "not a league packet";
        case PacketProblem::kFutureVersion:
            return "from a later version of the game";
        case PacketProblem::kBadSignature:
            return "bad signature";
        case PacketProblem::kMalformed:
            return "malformed records";
    }
    return "unknown problem";
}

std::string PacketSignature(std::string_view signed_bytes, std::string_view secret) {
    hmac_sha256_ctx ctx;
    hmac_sha256_set_key(&ctx, secret.size(), reinterpret_cast<const std::uint8_t*>(secret.data()));
    hmac_sha256_update(&ctx, signed_bytes.size(),
                       reinterpret_cast<const std::uint8_t*>(signed_bytes.data()));
    std::string digest(kLeagueSignatureSize, '\0');
    hmac_sha256_digest(&ctx, digest.size(), reinterpret_cast<std::uint8_t*>(digest.data()));
    return digest;
}

std::string EncodeLetterBody(const LetterBody& body) {
    std::string out;
    for (const auto& [text, most] :
         {std::pair{&body.from_name, kLetterNameMost}, std::pair{&body.to_name, kLetterNameMost},
          std::pair{&body.subject, kLetterSubjectMost}}) {
        const std::size_t n = std::min(text->size(), most);
        out.push_back(static_cast<char>(n));
        out.append(*text, 0, n);
    }
    I64 date;
    date = body.date;
    Append(out, date);
    U16 size{};
    const std::size_t n = std::min(body.text.size(), kLetterTextMost);
    size = static_cast<std::uint16_t>(n);
    Append(out, size);
    out.append(body.text, 0, n);
    return out;
}

bool DecodeLetterBody(std::string_view bytes, LetterBody& body) {
    Cursor in(bytes);
    LetterBody read;
    for (const auto& [text, most] :
         {std::pair{&read.from_name, kLetterNameMost}, std::pair{&read.to_name, kLetterNameMost},
          std::pair{&read.subject, kLetterSubjectMost}}) {
        std::uint8_t n;
        std::string_view part;
        if (!in.take(n) || n > most || !in.take(n, part)) return false;
        *text = part;
    }
    I64 date;
    U16 size{};
    std::string_view text;
    if (!in.take(date) || !in.take(size) || size > kLetterTextMost || !in.take(size, text) ||
        in.left() != 0) {
        return false;
    }
    read.date = date;
    read.text = text;
    body = std::move(read);
    return true;
}

std::string WritePacket(const LeaguePacket& packet, std::string_view secret) {
    std::string records;
    std::uint32_t count = 0;
    const auto add = [&](std::uint8_t kind, std::string_view payload) {
        auto header = Zeroed<LeagueRecordHeader>();
        header.kind = kind;
        header.payload_size = static_cast<std::uint32_t>(payload.size());
        Append(records, header);
        records.append(payload);
        ++count;
    };
    if (packet.ack) add(kLeagueRecordAck, AckPayload(*packet.ack));
    for (const Standing& standing : packet.standings) {
        add(kLeagueRecordStanding, StandingPayload(standing));
    }
    for (const LeagueNews& news : packet.news) add(kLeagueRecordNews, NewsPayload(news));
    for (const LeagueLetter& letter : packet.letters) {
        add(kLeagueRecordLetter, LetterPayload(letter));
    }
    for (const LetterReceipt& receipt : packet.receipts) {
        add(kLeagueRecordReceipt, ReceiptPayload(receipt));
    }

    auto h = Zeroed<LeaguePacketHeader>();
    std::memcpy(h.magic, kLeaguePacketMagic, sizeof h.magic);
    h.version = kLeaguePacketVersion;
    h.header_size = sizeof h;
    std::memcpy(h.league, packet.league.data(), std::min(packet.league.size(), sizeof h.league));
    h.from = ToRecord(packet.from);
    h.to = ToRecord(packet.to);
    h.serial = packet.serial;
    h.record_count = count;
    h.date = packet.date;
    std::string out;
    Append(out, h);
    out += records;
    out += PacketSignature(out, secret);
    return out;
}

PacketProblem ReadPacketHeader(std::string_view bytes, LeaguePacket& header) {
    LeaguePacketHeader h;
    const PacketProblem problem = CheckHeader(bytes, h);
    if (problem != PacketProblem::kNone) return problem;
    header = LeaguePacket{};
    TakeHeader(h, header);
    return PacketProblem::kNone;
}

PacketProblem ReadPacket(std::string_view bytes, std::string_view secret, LeaguePacket& packet) {
    LeaguePacketHeader h;
    const PacketProblem problem = CheckHeader(bytes, h);
    if (problem != PacketProblem::kNone) return problem;
    const std::string_view signed_part = bytes.substr(0, bytes.size() - kLeagueSignatureSize);
    const std::string signature = PacketSignature(signed_part, secret);
    if (!memeql_sec(signature.data(), bytes.data() + signed_part.size(), kLeagueSignatureSize)) {
        return PacketProblem::kBadSignature;
    }

    Cursor in(signed_part.substr(h.header_size));
    // Every record takes at least its header: a count beyond that runs past the end.
    if (h.record_count > in.left() / sizeof(LeagueRecordHeader)) return PacketProblem::kShort;
    LeaguePacket read;
    TakeHeader(h, read);
    for (std::uint32_t i = 0; i < h.record_count; ++i) {
        LeagueRecordHeader record;
        std::string_view payload;
        if (!in.take(record) || !in.take(record.payload_size, payload)) {
            return PacketProblem::kShort;
        }
        if (!ReadRecord(record.kind, payload, read)) return PacketProblem::kMalformed;
    }
    if (in.left() != 0) return PacketProblem::kMalformed;
    packet = std::move(read);
    return PacketProblem::kNone;
}

}  // namespace vorn
