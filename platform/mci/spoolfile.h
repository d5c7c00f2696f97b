#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace quorvel::platform {

// The recording's audio on disk, so memory stays flat however long the recording runs.
// A named file in the temporary folder (so a crash leaves the audio behind for rescue); it is
// deleted when the spool is destroyed. One thread appends while others read behind it.
class SpoolFile
{
public:
    SpoolFile() = default;
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    bool create();
    bool isOpen() const { return m_fd >= 0; }
    const std::filesystem::path& path() const { return m_path; }

    // Writes the bytes at the given offset; false on any failure (a full disk, for one).
    bool writeAt(std::uint64_t offset, std::span<const std::byte> data);
    // Reads up to buffer.size() bytes from offset; returns the count, or -1 on failure.
    std::ptrdiff_t readAt(std::uint64_t offset, std::span<std::byte> buffer) const;
    int descriptor() const { return m_fd; }

private:
    int m_fd = -1;
    std::filesystem::path m_path;
};

} // namespace quorvel::platform
