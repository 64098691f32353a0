// The two commands of worldc on whole directories: which files make a world, where they are read
// and written. A world is written only when every source is right, each file replaced at once.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "worldc/world_source.hpp"

namespace vorn {

namespace fs = std::filesystem;

namespace {

bool ReadWhole(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return !in.bad();
}

// Written beside the target and renamed over it, so a node never reads half a file.
bool WriteWhole(const fs::path& path, std::string_view data) {
    const fs::path temp = path.string() + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    return !ec;
}

// KIND.toml, then KIND/*.toml in name order.
std::vector<fs::path> SourcesOf(const fs::path& dir, const KindLayout& layout) {
    std::vector<fs::path> found;
    std::error_code ec;
    const fs::path single = dir / (std::string(layout.source) + ".toml");
    if (fs::is_regular_file(single, ec)) found.push_back(single);
    const fs::path folder = dir / layout.source;
    std::vector<fs::path> parts;
    if (fs::is_directory(folder, ec)) {
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            if (entry.is_regular_file(ec) && entry.path().extension() == ".toml") {
                parts.push_back(entry.path());
            }
        }
    }
    std::sort(parts.begin(), parts.end());
    found.insert(found.end(), parts.begin(), parts.end());
    return found;
}

}  // namespace

bool CompileWorldDirectory(const std::string& source_dir, const std::string& out_dir,
                           std::vector<SourceError>& errors, std::vector<SourceError>* warnings) {
    WorldSource world;
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& layout = KindAt(k);
        for (const fs::path& path : SourcesOf(source_dir, layout)) {
            std::string text;
            if (!ReadWhole(path, text)) {
                world.errors.push_back({path.string(), 0, "", "cannot be read"});
                continue;
            }
            ParseWorldSource(world, layout.kind, text, path.string());
        }
    }
    if (!world.present[static_cast<std::size_t>(WorldKind::kRoom)]) {
        world.errors.push_back(
            {source_dir, 0, "",
             "holds no rooms (rooms.toml or rooms/*.toml); a world needs a map"});
    }
    if (world.errors.empty()) CheckWorld(world);
    errors = world.errors;
    if (warnings != nullptr) *warnings = world.warnings;
    if (!errors.empty()) return false;

    std::error_code ec;
    fs::create_directories(out_dir, ec);
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& layout = KindAt(k);
        if (!world.present[static_cast<std::size_t>(k)]) continue;
        const std::vector<std::uint8_t> bytes = BuildWorldFile(world, layout.kind);
        const fs::path target = fs::path(out_dir) / layout.file;
        if (!WriteWhole(target, {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) {
            errors.push_back({target.string(), 0, "", "cannot be written"});
            return false;
        }
    }
    return true;
}

bool DecompileWorldDirectory(const std::string& game_dir, const std::string& out_dir,
                             std::vector<std::string>& notes) {
    std::error_code ec;
    fs::create_directories(out_dir, ec);
    bool any = false;
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& layout = KindAt(k);
        const fs::path source = fs::path(game_dir) / layout.file;
        std::string bytes;
        if (!fs::is_regular_file(source, ec)) continue;
        if (!ReadWhole(source, bytes)) {
            notes.push_back(source.string() + ": cannot be read");
            return false;
        }
        any = true;
        const std::string text = DecompileWorldFile(
            layout.kind, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
            notes);
        const fs::path target = fs::path(out_dir) / (std::string(layout.source) + ".toml");
        if (!WriteWhole(target, text)) {
            notes.push_back(target.string() + ": cannot be written");
            return false;
        }
    }
    if (!any) {
        notes.push_back(game_dir + ": holds no world files");
        return false;
    }
    // What the compiler would refuse in the result is better known now than at the next compile.
    std::vector<SourceError> refusals;
    WorldSource world;
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& layout = KindAt(k);
        const fs::path path = fs::path(out_dir) / (std::string(layout.source) + ".toml");
        std::string text;
        if (fs::is_regular_file(path, ec) && ReadWhole(path, text)) {
            ParseWorldSource(world, layout.kind, text, path.string());
        }
    }
    if (world.errors.empty()) CheckWorld(world);
    for (const SourceError& e : world.errors) {
        notes.push_back("to mend before compiling: " + e.text());
    }
    for (const SourceError& w : world.warnings) notes.push_back(w.text());
    return true;
}

}  // namespace vorn
