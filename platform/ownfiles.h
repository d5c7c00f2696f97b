// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::platform {

// Files the program makes for itself. None is ever opened through a link or created where a file
// already lies: a name planted by someone else makes a new name, never a write to their target.

// A new file in `folder` named `prefix` + six random characters + `suffix`, created exclusively
// (O_EXCL) with `mode` (less the umask) and open for reading and writing. -1 with errno set when
// it can't be made.
int createOwnFile(const std::filesystem::path& folder, std::string_view prefix, std::string_view suffix, mode_t mode,
                  std::filesystem::path& made);

// Writes all of `data` at `offset`, however many calls it takes. False with errno set on failure
// (EIO when the file took nothing).
bool writeAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset);

// Six letters or digits, different each time.
std::string randomLetters();

// The folder made if missing, 0700, and checked: a real folder (not a link) of this user's, whose
// group and others get no access. False with errno set when it can't be made so.
bool makePrivateFolder(const std::filesystem::path& folder);

// The folder made if missing (with its parents), as the user's umask makes folders. False with
// errno set when it can't be made.
bool makeFolder(const std::filesystem::path& folder);

// The mode a file the user saves gets: 0666 less the umask.
mode_t savedFileMode();

// Moves `from` to `to` unless something is at `to` already (errno EEXIST then); never replaces.
bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Temporary files beside a target ("quorvel-part-<pid>-XXXXXX"): the prefix for this process.
std::string partPrefix();
// Removes the temporary files in `folder` whose process is gone (a kill during a save).
void removeAbandonedParts(const std::filesystem::path& folder);

// A process of this id is running (or can't be told from one).
bool processAlive(long pid);
// This process's id.
long currentProcess();

// The plain operations on a descriptor from createOwnFile or openOwnFile, alike on every system.
// Reads up to `size` bytes at `offset` (fewer only at the end of the file): the count, or -1 with
// errno set.
std::ptrdiff_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset);
// The file's data is on the disk.
bool syncFile(int fd);
bool truncateFile(int fd, std::uint64_t size);
void closeFile(int fd);
// No other process can open the file for writing while this descriptor holds it (false when one
// already does).
bool lockFile(int fd);
// The file gets the mode a saved file gets (savedFileMode).
bool setSavedMode(int fd);
// Opens an existing file for reading and writing when it is a plain file of this user's with one
// name (not a link) that no other program holds locked: locked now, its size in `size`. -1
// otherwise.
int openOwnFile(const std::filesystem::path& path, std::uint64_t& size);
// Copies `bytes` from one file to the other at the offsets, through the kernel where it can.
bool copyRange(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset, std::uint64_t bytes);

// Removes a name; false with errno set.
bool removeFile(const std::filesystem::path& path);
// An error number of our own: something that is not a plain file (a device, a pipe, a socket)
// has the name.
inline constexpr int notPlainFile = 0x5170;
// Another error number of our own: a file's name was swapped for another while it was written.
inline constexpr int nameSwapped = 0x5171;
// What stands under `path` may be replaced by a file of ours: nothing, a plain file, or a link
// (the link itself goes, never what it points to). False with errno set otherwise: EISDIR for a
// folder, notPlainFile for a device, a pipe or a socket.
bool replaceable(const std::filesystem::path& path);
// Moves `from` over `to` when `to` is replaceable: a plain file or a link there is replaced, never
// written through; anything else is left as it is.
bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// The name still leads to the file open as `fd`: false once the file was removed (its folder
// with it, say) or moved away.
bool nameLeadsTo(const std::filesystem::path& path, int fd);
// `to` becomes a second descriptor of the file open as `from`, at once for every thread using it.
bool replaceDescriptor(int from, int to);

// The system's words for an error number, and what it means for a file the user wanted
// ("the disk is full"); empty for 0.
std::string errorText(int error);

} // namespace quorvel::platform
