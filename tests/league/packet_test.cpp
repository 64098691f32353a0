// League packets: a written packet reads back field for field, and the reader refuses every
// damaged or forged one with the problem it has, before it would read past the end.
#include "league/packet.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "common/league_records.hpp"

namespace vorn {

void PrintTo(PacketProblem problem, std::ostream* os) {
    *os << PacketProblemText(problem);
}

namespace {

constexpr std::string_view kSecret = "shared secret";

LeaguePacket EveryKind() {
    const LetterBody body{"Arn", "Bela", "Greetings", 1700000000, "Well met.\rArn\r"};
    return {
        .league = "Northern Reaches League!",  // 24 characters: the whole field
        .from = {2, 250, 1, 0},
        .to = {2, 250, 7, 3},
        .serial = 41,
        .date = 1700000123,
        .ack = PacketAck{7, {9, 12}},
        .standings = {{{2, 250, 1, 0}, 88, {{"Arn", 3, 12, -5, 40, 2}, {"Bela", 1, 9, 900, 3, 0}}}},
        .news = {{{2, 250, 1, 0}, 5, 88, LeagueNewsKind::kDragonSlain, "Arn", "Arn slew it."}},
        .letters = {{{2, 250, 1, 0}, 17, {2, 250, 7, 3}, EncodeLetterBody(body)}},
        .receipts = {{{2, 250, 7, 3}, 16, {2, 250, 1, 0}}}};
}

// The bytes with their signature made again under `secret`.
std::string Signed(std::string bytes, std::string_view secret = kSecret) {
    bytes.resize(bytes.size() - kLeagueSignatureSize);
    return bytes + PacketSignature(bytes, secret);
}

template <class T>
std::string Put(std::string bytes, std::size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
    return bytes;
}

// A signed packet of `count` records made of `records` (8-byte record header and payload each).
std::string WithRecords(std::uint32_t count, const std::string& records) {
    std::string bytes = WritePacket({.league = "L"}, kSecret);
    bytes.insert(sizeof(LeaguePacketHeader), records);
    return Signed(Put(bytes, offsetof(LeaguePacketHeader, record_count), count));
}

std::string Record(std::uint8_t kind, std::string payload, std::uint32_t size) {
    return Put(std::string{static_cast<char>(kind), 0, 0, 0, 0, 0, 0, 0}, 4, size) + payload;
}
std::string Record(std::uint8_t kind, std::string payload) {
    return Record(kind, payload, static_cast<std::uint32_t>(payload.size()));
}

struct Case {
    const char* name;
    std::string bytes;
    PacketProblem header;  // ReadPacketHeader's answer
    PacketProblem whole;   // ReadPacket's, with kSecret
};

TEST(LeaguePacket, ReadsWhatWasWrittenAndRefusesEveryDamage) {
    using enum PacketProblem;
    const std::string good = WritePacket(EveryKind(), kSecret);
    const std::string receipt = Record(kLeagueRecordReceipt, std::string(20, '\0'));
    std::string rows(sizeof(LeagueStandingRecord) + 101 * sizeof(LeagueStandingRow), '\0');
    rows = Put(rows, offsetof(LeagueStandingRecord, row_count), std::uint16_t{101});
    const std::string letter = Put(std::string(24, '\0'), 20, std::uint32_t{5}) + "1234";
    const Case cases[] = {
        {"Good", good, kNone, kNone},
        {"Empty", "", kShort, kShort},
        {"CutInTheHeader", good.substr(0, 63), kShort, kShort},
        {"CutBeforeTheSignature", good.substr(0, 95), kShort, kShort},
        // A cut that leaves the header leaves a signature that does not match.
        {"CutInTheRecords", good.substr(0, 200), kNone, kBadSignature},
        {"CountPastTheEnd", WithRecords(2, receipt), kNone, kShort},
        {"PayloadPastTheEnd", WithRecords(1, Record(5, std::string(20, '\0'), 21)), kNone, kShort},
        {"NotAPacket", Signed(Put(good, 3, 'X')), kNotAPacket, kNotAPacket},
        {"FutureVersion", Signed(Put(good, 4, std::uint16_t{2})), kFutureVersion, kFutureVersion},
        {"WrongSecret", Signed(good, "another secret"), kNone, kBadSignature},
        {"FlippedByteInARecord", Put(good, 100, static_cast<char>(good[100] ^ 1)), kNone,
         kBadSignature},
        {"UnknownKind", WithRecords(1, Record(9, std::string(20, '\0'))), kNone, kMalformed},
        {"BodyPastItsRecord", WithRecords(1, Record(kLeagueRecordLetter, letter)), kNone,
         kMalformed},
        {"StandingOf101Rows", WithRecords(1, Record(kLeagueRecordStanding, rows)), kNone,
         kMalformed},
        {"BytesAfterTheRecords", WithRecords(0, receipt), kNone, kMalformed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LeaguePacket header;
        EXPECT_EQ(ReadPacketHeader(c.bytes, header), c.header);
        LeaguePacket packet;
        EXPECT_EQ(ReadPacket(c.bytes, kSecret, packet), c.whole);
        if (c.whole != kNone) continue;
        EXPECT_EQ(packet, EveryKind());
        EXPECT_EQ(header.from, packet.from);
        EXPECT_EQ(header.serial, packet.serial);
        LetterBody body;
        ASSERT_TRUE(DecodeLetterBody(packet.letters.at(0).body, body));
        EXPECT_EQ(body, (LetterBody{"Arn", "Bela", "Greetings", 1700000000, "Well met.\rArn\r"}));
    }
}

TEST(LeaguePacket, LetterBodiesRefuseAnythingButTheirForm) {
    const std::string body = EncodeLetterBody({"Arn", "Bela", "Hi", 5, "Text"});
    for (const std::string& bad :
         {std::string(), body.substr(0, 3), body.substr(0, body.size() - 1), body + "x",
          Put(body, 0, char{37})}) {
        LetterBody read;
        EXPECT_FALSE(DecodeLetterBody(bad, read)) << bad.size() << " bytes";
    }
}

}  // namespace
}  // namespace vorn
