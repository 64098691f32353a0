// World sources from anywhere: the compiler must refuse or accept any text without crashing, and
// whatever it accepts must decompile and compile again to the same bytes. The same input is also
// taken as a .dat image for the decompiler.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "worldc/world_source.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto kind = vorn::KindAt(data[0] % vorn::kWorldKindCount).kind;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<std::string> notes;
    vorn::DecompileWorldFile(kind, {data + 1, size - 1}, notes);

    vorn::WorldSource world;
    vorn::ParseWorldSource(world, kind, text, "fuzz.toml");
    if (!world.errors.empty()) return 0;
    vorn::CheckWorld(world);
    const std::vector<std::uint8_t> built = vorn::BuildWorldFile(world, kind);

    vorn::WorldSource again;
    vorn::ParseWorldSource(again, kind, vorn::DecompileWorldFile(kind, built, notes), "again.toml");
    if (!again.errors.empty() || vorn::BuildWorldFile(again, kind) != built) std::abort();
    return 0;
}
