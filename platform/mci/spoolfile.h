#pragma once

#include "audio/audiobackend.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace quorvel::platform {

// The recording's audio on disk, so memory stays flat however long the recording runs and a
// crash, a kill or a power cut loses at most the last two seconds. It lives beside the user's
// data, in $XDG_STATE_HOME/quorvel/ (~/.local/state/quorvel/), never in a temporary folder that
// may be memory or emptied at boot. It is a valid WAV file at every moment: the header's sizes
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

    // Creates the file, locked, with a header for this format and no audio.
    bool create(const PcmFormat& format);
    // Another format for a spool that holds no audio yet.
    bool reset(const PcmFormat& format);
    bool isOpen() const { return m_fd >= 0; }
    const std::filesystem::path& path() const { return m_path; }
    // Removes the file's name now; threads still writing to it write to nothing anyone will see.
    void discard();

    // Audio bytes, counted from the start of the audio (the header lies before it).
    // Writes at the offset; false on any failure (a full disk, for one).
    bool writeAt(std::uint64_t offset, std::span<const std::byte> data);
    // Reads up to buffer.size() bytes from offset; returns the count, or -1 on failure.
    std::ptrdiff_t readAt(std::uint64_t offset, std::span<std::byte> buffer) const;
    // The header now describes this much audio; the data reaches the disk at least every two
    // seconds. False when the header could not be written.
    bool commit(std::uint64_t audioBytes);

    int descriptor() const { return m_fd; }
    // Where the audio starts in the file: a page after where a classic 44-byte file has it.
    static constexpr std::uint64_t audioOffset = 44 + 4096;

private:
    bool writeHeader(std::uint64_t audioBytes);
    bool writeSizes(std::uint64_t audioBytes);

    int m_fd = -1;
    std::filesystem::path m_path;
    PcmFormat m_format;
    bool m_rf64 = false;
    std::int64_t m_lastSync = 0;
};

// The folder the spools live in.
std::filesystem::path spoolFolder();

} // namespace quorvel::platform
