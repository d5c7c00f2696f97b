#include "paths.h"

#include <cstdlib>
#include <string>
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

std::optional<std::filesystem::path> nativePath(std::string_view programPath)
{
    bool onDriveC = false;
    if (programPath.size() >= 2 && programPath[1] == ':') {
        const char letter = programPath[0];
        if (letter != 'c' && letter != 'C')
            return std::nullopt;
        onDriveC = true;
        programPath.remove_prefix(2);
    }
    // A path already in this system's form ("/home/...") is left as it is.
    if (!onDriveC && !programPath.empty() && programPath.front() == '/')
        return std::filesystem::path(programPath);
    const bool rooted = !programPath.empty() && programPath.front() == '\\';
    std::string rest(programPath);
    for (char& c : rest) {
        if (c == '\\')
            c = '/';
    }
    if (!onDriveC && !rooted)
        return std::filesystem::path(rest);
    const auto first = rest.find_first_not_of('/');
    return driveCFolder() / (first == std::string::npos ? std::string() : rest.substr(first));
}

std::size_t longestFileName(const std::filesystem::path& folder)
{
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<std::size_t>(longest) : 255;
}

} // namespace quorvel::platform
