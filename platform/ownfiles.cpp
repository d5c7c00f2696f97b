#include "ownfiles.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform {

bool writeAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    const auto* bytes = static_cast<const std::byte*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

std::string randomLetters()
{
    static constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 engine {std::random_device {}() ^ static_cast<std::uint64_t>(::getpid())};
    std::string text(6, 'x');
    for (char& c : text)
        c = letters[engine() % letters.size()];
    return text;
}

int createOwnFile(const std::filesystem::path& folder, std::string_view prefix, std::string_view suffix, mode_t mode,
                  std::filesystem::path& made)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto path = folder / (std::string(prefix) + randomLetters() + std::string(suffix));
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            made = std::move(path);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

bool makePrivateFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (folder.has_parent_path() && !makeFolder(folder.parent_path()))
        return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info
    {
    };
    if (::lstat(folder.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        errno = EPERM;
        return false;
    }
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return false;
    return true;
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

mode_t savedFileMode()
{
    // Read, not set: umask() would change it for every thread for a moment.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(0666 & ~std::stoul(line.substr(6), nullptr, 8));
    }
    return 0644;
}

bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without it: a second name, which can't replace anything, then the first goes.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

std::string partPrefix()
{
    return "quorvel-part-" + std::to_string(::getpid()) + "-";
}

bool processAlive(long pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
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
        if (pid == ::getpid() || processAlive(pid))
            continue;
        // Only plain files of this user's (a link of that name is not ours to remove), and not
        // one an encoder that outlived its program still writes (it holds a lock on it).
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info
        {
        };
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(entry.path().c_str());
        ::close(fd);
    }
}

std::string errorText(int error)
{
    if (error == 0)
        return {};
    std::string text = std::strerror(error);
    switch (error) {
    case ENOSPC:
    case EDQUOT:
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
