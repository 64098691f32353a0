// League packets as a damaged file or a forger may deliver them. The bytes are read as they came
// and once more signed afresh, so the record reader behind the signature sees every mutation.
// A packet that reads is written again and must read back equal, and a letter body that decodes
// must encode to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/league_records.hpp"
#include "league/packet.hpp"

namespace {

constexpr std::string_view kSecret = "league fuzz secret";

void Read(std::string_view bytes) {
    vorn::LeaguePacket header;
    const vorn::PacketProblem header_problem = vorn::ReadPacketHeader(bytes, header);
    vorn::LeaguePacket packet;
    const vorn::PacketProblem problem = vorn::ReadPacket(bytes, kSecret, packet);
    (void)vorn::PacketProblemText(problem);
    // The whole packet is refused for its header's problem first.
    if (header_problem != vorn::PacketProblem::kNone && problem != header_problem) std::abort();
    if (problem != vorn::PacketProblem::kNone) return;
    if (header.league != packet.league || header.from != packet.from || header.to != packet.to ||
        header.serial != packet.serial || header.date != packet.date) {
        std::abort();
    }

    const std::string written = vorn::WritePacket(packet, kSecret);
    vorn::LeaguePacket again;
    if (vorn::ReadPacket(written, kSecret, again) != vorn::PacketProblem::kNone) std::abort();
    if (again != packet) std::abort();

    for (const vorn::LeagueLetter& letter : packet.letters) {
        vorn::LetterBody body;
        if (vorn::DecodeLetterBody(letter.body, body) &&
            vorn::EncodeLetterBody(body) != letter.body) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Read(bytes);
    if (size >= vorn::kLeagueSignatureSize) {
        std::string resigned(bytes.substr(0, size - vorn::kLeagueSignatureSize));
        resigned += vorn::PacketSignature(resigned, kSecret);
        Read(resigned);
    }
    return 0;
}
