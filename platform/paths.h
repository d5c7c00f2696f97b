// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

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

// A path of this system as the program's text: '/' between the names, UTF-16 from the system's
// own wide names on Windows, from UTF-8 elsewhere.
QString pathText(const std::filesystem::path& path);

// The other way: the program's text of a path as this system's path.
std::filesystem::path nativePathOf(const QString& path);

// The longest file name, in bytes, that the file system holding this folder takes.
std::size_t longestFileName(const std::filesystem::path& folder);

// The folder the recordings are spooled in while they are made: beside the user's data, never in
// a temporary folder that may be memory or emptied at boot. $XDG_STATE_HOME/quorvel
// (~/.local/state/quorvel), or %LOCALAPPDATA%\Quorvel on Windows.
std::filesystem::path spoolFolder();

} // namespace quorvel::platform
