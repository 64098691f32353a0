// A message area as a crash or a bad copy may leave it: GENERAL.jhr (headers), GENERAL.jdt
// (text lines) and GENERAL.jpk (a pack's journal), in that order in the input. Every message
// is read and shown as the readers show it, one is posted, the area is packed and read again,
// and the checker reads the whole directory: nothing may fault, a header never leads outside
// its text, and packing keeps what it says it kept.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "check/game_check.hpp"
#include "common/message_base.hpp"
#include "fuzz_files.hpp"
#include "mail/message_view.hpp"

namespace {

constexpr std::uint32_t kMostShown = 40;

// Reads (and, with `session`, shows) every message; returns how many are there.
std::uint32_t ReadAll(vorn::Session* session) {
    vorn::MessageBase base;
    if (!base.open("", "GENERAL")) return 0;
    const std::uint32_t count = base.count();
    std::vector<vorn::MessageHeader> headers(kMostShown);
    const std::size_t got = base.read_headers(1, headers.size(), headers.data());
    if (got > count || got > headers.size()) std::abort();
    for (std::uint32_t i = 0; i < got; ++i) {
        std::vector<std::string> lines;
        if (!base.read_text(headers[i], lines)) continue;
        if (lines.size() > vorn::kMessageMaxLines) std::abort();
        if (session != nullptr) {
            vorn::ShowMessage(*session, i + 1, headers[i], lines);
            vorn::BuiltInListRow(*session, i + 1, headers[i]);
        }
    }
    const std::uint32_t after = base.first_written_after(got > 0 ? headers[0].written : 0);
    if (after < 1 || after > count + 1) std::abort();
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::GameScratch game;
    game.terminal.presses_enter = true;
    game.terminal.answers_probe = false;
    vorn::fuzz::WriteFileParts(data, size, {"GENERAL.jhr", "GENERAL.jdt", "GENERAL.jpk"});
    vorn::Session& s = game.session;
    s.time.ended = false;
    try {
        ReadAll(&s);
    } catch (const vorn::fuzz::Exited&) {
        std::abort();  // reading never ends the program
    }
    s.writer.flush();

    {
        vorn::MessageBase base;
        if (base.open("", "GENERAL")) {
            vorn::MessageHeader header{};
            header.subject = "Fuzz";
            header.written = 1u << 28;
            const std::vector<std::string> lines = {"A new line.", "", "|CSand another"};
            base.append(lines, header, vorn::MessageLimit{.max_messages = 100, .make_room = true});
        }
    }
    const vorn::PackResult pack = vorn::PackMessageBase("", "GENERAL");
    const std::uint32_t count = ReadAll(nullptr);
    if (pack.ok && pack.kept != count) std::abort();

    const vorn::CheckReport report = vorn::CheckGameDirectory(".", game.clock.now());
    (void)report.lines();
    return 0;
}
