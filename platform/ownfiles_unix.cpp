// SPDX-License-Identifier: GPL-3.0-or-later
#include "ownfiles.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

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

bool processAlive(long pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

long currentProcess()
{
    return static_cast<long>(::getpid());
}

std::ptrdiff_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset)
{
    auto* bytes = static_cast<std::byte*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(done);
}

bool syncFile(int fd)
{
    return ::fdatasync(fd) == 0;
}

bool truncateFile(int fd, std::uint64_t size)
{
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

void closeFile(int fd)
{
    ::close(fd);
}

bool lockFile(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool setSavedMode(int fd)
{
    return ::fchmod(fd, savedFileMode()) == 0;
}

int openOwnFile(const std::filesystem::path& path, std::uint64_t& size)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1
        || !lockFile(fd)) {
        ::close(fd);
        return -1;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

bool copyRange(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset, std::uint64_t bytes)
{
    // The kernel copies (and clones where the file system can) without passing the audio through
    // this process; between files it can't copy between, by hand.
    loff_t in = static_cast<loff_t>(fromOffset);
    loff_t out = static_cast<loff_t>(toOffset);
    std::uint64_t left = bytes;
    std::vector<std::byte> buffer;
    while (left > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 30));
        ssize_t n = -1;
        if (buffer.empty()) {
            n = ::copy_file_range(from, &in, to, &out, want, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                buffer.resize(1u << 20);
                continue;
            }
        } else {
            n = readAt(from, buffer.data(), std::min(buffer.size(), want), static_cast<std::uint64_t>(in));
            if (n > 0 && !writeAllAt(to, buffer.data(), static_cast<std::size_t>(n), static_cast<std::uint64_t>(out)))
                return false;
            if (n > 0) {
                in += n;
                out += n;
            }
        }
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        left -= static_cast<std::uint64_t>(n);
    }
    return true;
}

bool removeFile(const std::filesystem::path& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool replaceable(const std::filesystem::path& path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR;
    if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))
        return true;
    errno = S_ISDIR(info.st_mode) ? EISDIR : notPlainFile;
    return false;
}

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return replaceable(to) && ::rename(from.c_str(), to.c_str()) == 0;
}

bool nameLeadsTo(const std::filesystem::path& path, int fd)
{
    struct stat open
    {
    }, named {};
    if (::fstat(fd, &open) != 0)
        return true; // nothing to tell by
    return open.st_nlink > 0 && ::lstat(path.c_str(), &named) == 0 && named.st_dev == open.st_dev
        && named.st_ino == open.st_ino;
}

bool replaceDescriptor(int from, int to)
{
    while (::dup3(from, to, O_CLOEXEC) < 0) {
        if (errno != EINTR && errno != EBUSY)
            return false;
    }
    return true;
}

} // namespace quorvel::platform
