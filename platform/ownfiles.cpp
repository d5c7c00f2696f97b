// SPDX-License-Identifier: GPL-3.0-or-later
#include "ownfiles.h"

#include <cerrno>
#include <cstring>
#include <random>

namespace quorvel::platform {

std::string randomLetters()
{
    static constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 engine {std::random_device {}() ^ static_cast<std::uint64_t>(currentProcess())};
    std::string text(6, 'x');
    for (char& c : text)
        c = letters[engine() % letters.size()];
    return text;
}

bool makeFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return true;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        errno = ec.value();
        return false;
    }
    return true;
}

std::string partPrefix()
{
    return "quorvel-part-" + std::to_string(currentProcess()) + "-";
}

void removeAbandonedParts(const std::filesystem::path& folder)
{
    constexpr std::string_view prefix = "quorvel-part-";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0)
            continue;
        long pid = 0;
        try {
            pid = std::stol(name.substr(prefix.size()));
        } catch (...) {
            continue;
        }
        if (pid == currentProcess() || processAlive(pid))
            continue;
        // Only plain files of this user's (a link of that name is not ours to remove), and not
        // one an encoder that outlived its program still writes (it holds a lock on it).
        std::uint64_t size = 0;
        const int fd = openOwnFile(entry.path(), size);
        if (fd < 0)
            continue;
        closeFile(fd);
        removeFile(entry.path());
    }
}

std::string errorText(int error)
{
    if (error == 0)
        return {};
    if (error == notPlainFile)
        return "something that is not a plain file (a device, a pipe or a socket) has that name";
    if (error == nameSwapped)
        return "the file was swapped for another while it was written (someone else can write into that folder)";
    std::string text = std::strerror(error);
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return text + ": the disk is full";
    case EACCES:
    case EPERM:
        return text + ": the folder can't be written to";
    case EROFS:
        return text + ": the folder is read-only";
    case ENOENT:
        return text + ": the folder does not exist";
    case ENAMETOOLONG:
        return text + ": the name is too long";
    case EISDIR:
        return text + ": a folder has that name";
    default:
        return text;
    }
}

} // namespace quorvel::platform
