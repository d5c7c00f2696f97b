// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own files on Windows: handles made with CreateFileW and wrapped as C runtime
// descriptors, so the callers hold one kind of handle on every system.

#include "ownfiles.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace quorvel::platform {

namespace {

int errnoFor(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return EISDIR;
    case ERROR_CANT_ACCESS_FILE:
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    default:
        return EIO;
    }
}

bool failWith(DWORD error)
{
    errno = errnoFor(error);
    return false;
}

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED overlapped {};
    overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

// Every file is shared for reading and for deleting or renaming (a spool is named, and discarded,
// while open), never for writing: a second writer is kept out by the system, which is the lock.
constexpr DWORD sharing = FILE_SHARE_READ | FILE_SHARE_DELETE;

int descriptorFor(HANDLE handle)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

} // namespace

bool writeAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    const auto* bytes = static_cast<const std::byte*>(data);
    while (size > 0) {
        OVERLAPPED overlapped = at(offset);
        DWORD written = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!::WriteFile(handleOf(fd), bytes, want, &written, &overlapped))
            return failWith(::GetLastError());
        if (written == 0)
            return (errno = EIO, false);
        bytes += written;
        size -= written;
        offset += written;
    }
    return true;
}

std::ptrdiff_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset)
{
    auto* bytes = static_cast<std::byte*>(data);
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED overlapped = at(offset + done);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        if (!::ReadFile(handleOf(fd), bytes + done, want, &got, &overlapped)) {
            if (::GetLastError() == ERROR_HANDLE_EOF)
                break;
            failWith(::GetLastError());
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<std::ptrdiff_t>(done);
}

int createOwnFile(const std::filesystem::path& folder, std::string_view prefix, std::string_view suffix, mode_t,
                  std::filesystem::path& made)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto path = folder / (std::string(prefix) + randomLetters() + std::string(suffix));
        // CREATE_NEW fails on any name that exists, a link or junction included.
        const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, sharing, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            const int fd = descriptorFor(handle);
            if (fd >= 0)
                made = std::move(path);
            return fd;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return (failWith(error), -1);
    }
    errno = EEXIST;
    return -1;
}

int openOwnFile(const std::filesystem::path& path, std::uint64_t& size)
{
    // The link itself, not what it points at; and none of it shared for writing, so a program
    // still recording into it (or an encoder writing it) keeps it from us.
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, sharing, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return (failWith(::GetLastError()), -1);
    BY_HANDLE_FILE_INFORMATION info {};
    if (!::GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || info.nNumberOfLinks != 1) {
        ::CloseHandle(handle);
        errno = EPERM;
        return -1;
    }
    size = (std::uint64_t {info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    return descriptorFor(handle);
}

bool lockFile(int)
{
    return true; // the sharing the file was opened with is the lock
}

bool setSavedMode(int)
{
    return true; // a new file takes its folder's permissions
}

bool syncFile(int fd)
{
    return ::FlushFileBuffers(handleOf(fd)) || failWith(::GetLastError());
}

bool truncateFile(int fd, std::uint64_t size)
{
    FILE_END_OF_FILE_INFO end {};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFileInformationByHandle(handleOf(fd), FileEndOfFileInfo, &end, sizeof end)
        || failWith(::GetLastError());
}

void closeFile(int fd)
{
    ::_close(fd);
}

bool copyRange(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset, std::uint64_t bytes)
{
    std::vector<std::byte> buffer(std::min<std::uint64_t>(bytes, 1u << 20));
    for (std::uint64_t done = 0; done < bytes;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - done));
        const std::ptrdiff_t got = readAt(from, buffer.data(), want, fromOffset + done);
        if (got <= 0)
            return got == 0 ? (errno = EIO, false) : false;
        if (!writeAllAt(to, buffer.data(), static_cast<std::size_t>(got), toOffset + done))
            return false;
        done += static_cast<std::uint64_t>(got);
    }
    return true;
}

bool makePrivateFolder(const std::filesystem::path& folder)
{
    // %LOCALAPPDATA% is the user's alone: a folder made in it inherits that. A link or junction
    // in its place is not a folder to trust.
    if (folder.has_parent_path() && !makeFolder(folder.parent_path()))
        return false;
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return failWith(::GetLastError());
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failWith(::GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return (errno = EPERM, false);
    return true;
}

mode_t savedFileMode()
{
    return 0666;
}

bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return ::MoveFileExW(from.c_str(), to.c_str(), 0) || failWith(::GetLastError());
}

bool replaceable(const std::filesystem::path& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return (errno = EISDIR, false);
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return (errno = notPlainFile, false);
    return true;
}

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // A link at `to` is itself replaced: MoveFileEx never follows the target's name.
    return replaceable(to)
        && (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
            || failWith(::GetLastError()));
}

bool nameLeadsTo(const std::filesystem::path& path, int fd)
{
    FILE_STANDARD_INFO standard {};
    BY_HANDLE_FILE_INFORMATION open {};
    if (!::GetFileInformationByHandleEx(handleOf(fd), FileStandardInfo, &standard, sizeof standard)
        || !::GetFileInformationByHandle(handleOf(fd), &open))
        return true; // nothing to tell by
    if (standard.DeletePending || standard.NumberOfLinks == 0)
        return false;
    const HANDLE named = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info {};
    // The same file index on the same volume. (Wine gives some handles no volume serial: only two
    // serials both known are compared.)
    const bool read = ::GetFileInformationByHandle(named, &info) != FALSE;
    const bool sameVolume = info.dwVolumeSerialNumber == open.dwVolumeSerialNumber || info.dwVolumeSerialNumber == 0
        || open.dwVolumeSerialNumber == 0;
    const bool same
        = read && sameVolume && info.nFileIndexHigh == open.nFileIndexHigh && info.nFileIndexLow == open.nFileIndexLow;
    ::CloseHandle(named);
    return same;
}

bool replaceDescriptor(int from, int to)
{
    return ::_dup2(from, to) == 0;
}

bool removeFile(const std::filesystem::path& path)
{
    return ::DeleteFileW(path.c_str()) || failWith(::GetLastError());
}

bool processAlive(long pid)
{
    if (pid <= 0)
        return false;
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // someone else's: running
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

long currentProcess()
{
    return static_cast<long>(::GetCurrentProcessId());
}

} // namespace quorvel::platform
