// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

#include <cstdlib>
#include <unistd.h>

namespace quorvel::platform {

std::filesystem::path driveCFolder()
{
    if (const char* drive = std::getenv("QUORVEL_DRIVE_C"); drive && *drive)
        return drive;
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    return "/";
}

std::size_t longestFileName(const std::filesystem::path& folder)
{
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<std::size_t>(longest) : 255;
}

std::filesystem::path spoolFolder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::filesystem::path(state) / "quorvel";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".local/state/quorvel";
}

} // namespace quorvel::platform
