#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace quorvel::platform {

// The folder that stands in for drive C: $QUORVEL_DRIVE_C when set, else the home directory.
std::filesystem::path driveCFolder();

// Turns a path in the program's own form ("c:\take 1.wav") into a path on this system.
// Backslashes become slashes; "c:" and a leading "\" mean the drive C folder; a path without a
// drive stays relative to the current directory, and one already in this system's form ("/tmp/x")
// stays as it is. Another drive letter has no meaning here: nullopt.
std::optional<std::filesystem::path> nativePath(std::string_view programPath);

// The longest file name, in bytes, that the file system holding this folder takes.
std::size_t longestFileName(const std::filesystem::path& folder);

} // namespace quorvel::platform
