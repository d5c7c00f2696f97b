// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audiobackend.h"
#include "paths.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvel::platform {

// The recording's audio on disk, so memory stays flat however long the recording runs and a
// crash, a kill or a power cut loses at most the last two seconds. It lives in spoolFolder().
// It is a valid WAV file at every moment: the header's sizes
// follow each chunk, and past 4 GiB the header becomes RF64 in place. The recording process holds
// a lock on it, so the next start can tell a spool whose program died from one still recording.
// One thread appends while others read behind it; the file is deleted when the spool goes.
class SpoolFile
{
public:
    SpoolFile() = default;
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    // Creates the file, locked before any other process can see it, with a header for this format
    // and no audio. The folder is private (0700) and the file 0600: a recording is nobody else's
    // while it is made.
    bool create(const PcmFormat& format);
    // Another format for a spool that holds no audio yet.
    bool reset(const PcmFormat& format);
    bool isOpen() const { return m_fd >= 0; }
    std::filesystem::path path() const;
    // Removes the file's name now; threads still writing to it write to nothing anyone will see.
    void discard();

    // Audio bytes, counted from the start of the audio (the header lies before it).
    // Writes at the offset; false on any failure (a full disk, for one).
    bool writeAt(std::uint64_t offset, std::span<const std::byte> data);
    // Reads up to buffer.size() bytes from offset; returns the count, or -1 on failure.
    std::ptrdiff_t readAt(std::uint64_t offset, std::span<std::byte> buffer) const;
    // The header now describes this much audio; the data reaches the disk at least every two
    // seconds. A spool that lost its name meanwhile (its folder removed from outside, say) is
    // copied into a new one, which takes its place: a crash after that still leaves the take to
    // the recovery. False when the header could not be written or the spool named again.
    bool commit(std::uint64_t audioBytes);
    // The spool had to be named again since the last call.
    bool takeRenamed() { return m_renamed.exchange(false, std::memory_order_acq_rel); }

    // The file holds exactly this much audio again, after a write that failed part way.
    void cutTo(std::uint64_t audioBytes);
    // The audio up to `audioBytes` has been saved whole: a later crash need not bring it back.
    void markSaved(std::uint64_t audioBytes);
    // Leaves the file for the recovery at the next start, complete up to `audioBytes`: on disk,
    // unlocked, and no longer this object's. Nothing is kept when that much was saved already.
    // `close` false leaves the file open for a thread still writing; it closes with the object.
    void keep(std::uint64_t audioBytes, bool close = true);

    // The error number of the last write, create or commit that failed, 0 if none did.
    int lastError() const { return m_error.load(std::memory_order_acquire); }

    int descriptor() const { return m_fd; }
    // Where the audio starts in the file: a page after where a classic 44-byte file has it.
    static constexpr std::uint64_t audioOffset = 44 + 4096;

private:
    bool writeHeader(std::uint64_t audioBytes);
    bool writeSizes(std::uint64_t audioBytes);
    bool fail();
    bool nameAgain(std::uint64_t audioBytes);

    int m_fd = -1;
    mutable std::mutex m_pathMutex; // the recording thread names the spool again while others discard it
    std::filesystem::path m_path;
    bool m_discarded = false;
    PcmFormat m_format;
    bool m_rf64 = false;
    std::int64_t m_lastSync = 0;
    std::optional<std::uint64_t> m_saved; // how much was saved whole, once a save was made
    std::atomic<int> m_error {0};
    std::atomic<bool> m_renamed {false};
};

// The spool's header for this much audio (RF64 when `rf64`), and whether a classic one can't
// describe it. Shared with the recovery, which rebuilds the header of a spool whose program died.
std::vector<std::byte> spoolHeader(const PcmFormat& format, std::uint64_t audioBytes, bool rf64);
bool spoolNeedsRf64(std::uint64_t audioBytes);
// The spool's own names: "quorvel-spool-<start>-<rate>-<channels>-<bits>-<random>.wav", so its
// format is known even when its header is damaged.
inline constexpr std::string_view spoolPrefix = "quorvel-spool-";
// Where a spool records how much of its audio was saved whole: 16 bytes inside the JUNK chunk, a
// tag and the count. The mark written into a header, and the count read back from one (nothing
// when there is no mark).
inline constexpr std::uint64_t savedMarkAt = SpoolFile::audioOffset - 32 - 16;
inline constexpr std::size_t savedMarkSize = 16;
void putSavedMark(std::byte* at, std::uint64_t audioBytes);
std::optional<std::uint64_t> savedMark(const std::byte* at);

} // namespace quorvel::platform
