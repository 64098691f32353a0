// Directory helpers shared by game and setup. "\" in a path counts as "/" everywhere.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

// Turns every "\" into "/", so names written with backslashes work here.
std::string NativePath(std::string_view path);

// Strips trailing "/" characters, appends "/." and reports whether that names a directory.
bool DirectoryExists(std::string_view path);

// True when `path` names a plain file (through a link too).
bool IsFile(const std::string& path);

// Creates every missing directory along `path` (absolute or relative to the working directory),
// each with the game's folder mode. Errors are ignored. The working directory is never changed, so
// `keep_directory` holds either way.
void CreateDirectoryPath(std::string_view path, bool keep_directory = true);

}  // namespace vorn
