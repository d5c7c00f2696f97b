#include "spoolfile.h"

#include "mci.h"

#include "riffheader.h"
#include "wavwriter.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

constexpr std::string_view prefix = "quorvel-spool-";

using namespace le;

// RIFF; a chunk held for RF64's sizes (JUNK while the sizes fit 32 bits, ds64 and a shorter JUNK
// after); fmt; data. The audio starts 4096 bytes after where a classic 44-byte file has it, so a
// save copies it page for page behind its own header.
std::vector<std::byte> header(const PcmFormat& format, std::uint64_t audioBytes, bool rf64)
{
    constexpr std::size_t fmtAt = SpoolFile::audioOffset - 32;
    std::vector<std::byte> h(SpoolFile::audioOffset);
    std::byte* p = h.data();
    const std::uint64_t riffSize = SpoolFile::audioOffset - 8 + audioBytes;
    putTag(p, rf64 ? "RF64" : "RIFF");
    put32(p + 4, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(riffSize));
    putTag(p + 8, "WAVE");
    if (rf64) {
        putTag(p + 12, "ds64");
        put32(p + 16, 28);
        put64(p + 20, riffSize);
        put64(p + 28, audioBytes);
        put64(p + 36, audioBytes / std::max<std::uint32_t>(format.blockAlign(), 1));
        put32(p + 44, 0);
        putTag(p + 48, "JUNK");
        put32(p + 52, static_cast<std::uint32_t>(fmtAt - 56));
    } else {
        putTag(p + 12, "JUNK");
        put32(p + 16, static_cast<std::uint32_t>(fmtAt - 20));
    }
    putFormatAndData(p + fmtAt, format, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(audioBytes));
    return h;
}

bool writeAll(int fd, const std::byte* data, std::size_t size, std::uint64_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// A classic RIFF size field can't describe this much audio behind the spool's header.
bool needsRf64(std::uint64_t audioBytes)
{
    return audioBytes > maxClassicWavData - (SpoolFile::audioOffset - 44);
}

std::int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::filesystem::path spoolFolder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::filesystem::path(state) / "quorvel";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".local/state/quorvel";
}

SpoolFile::~SpoolFile()
{
    if (m_fd >= 0) {
        discard();
        ::close(m_fd);
    }
}

void SpoolFile::discard()
{
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
}

bool SpoolFile::create(const PcmFormat& format)
{
    std::error_code ec;
    const auto folder = spoolFolder();
    std::filesystem::create_directories(folder, ec);
    // The recording's start is in the name: a recovered spool is named after it.
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string pattern = (folder / (std::string(prefix) + stamp + "-XXXXXX.wav")).string();
    const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::unlink(pattern.c_str());
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = pattern;
    m_format = format;
    m_lastSync = nowSeconds();
    if (!writeHeader(0)) {
        discard();
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool SpoolFile::reset(const PcmFormat& format)
{
    m_format = format;
    return writeHeader(0);
}

bool SpoolFile::writeHeader(std::uint64_t audioBytes)
{
    m_rf64 = m_rf64 || needsRf64(audioBytes);
    const auto h = header(m_format, audioBytes, m_rf64);
    return writeAll(m_fd, h.data(), h.size(), 0);
}

bool SpoolFile::writeSizes(std::uint64_t audioBytes)
{
    // Only the sizes move while recording: the RIFF and data sizes, or the ds64 fields past 4 GiB.
    const std::uint64_t riffSize = audioOffset - 8 + audioBytes;
    std::byte field[24];
    if (m_rf64) {
        le::put64(field, riffSize);
        le::put64(field + 8, audioBytes);
        le::put64(field + 16, audioBytes / std::max<std::uint32_t>(m_format.blockAlign(), 1));
        return writeAll(m_fd, field, 24, 20);
    }
    le::put32(field, static_cast<std::uint32_t>(riffSize));
    le::put32(field + 4, static_cast<std::uint32_t>(audioBytes));
    return writeAll(m_fd, field, 4, 4) && writeAll(m_fd, field + 4, 4, audioOffset - 4);
}

bool SpoolFile::writeAt(std::uint64_t offset, std::span<const std::byte> data)
{
    return writeAll(m_fd, data.data(), data.size(), audioOffset + offset);
}

bool SpoolFile::commit(std::uint64_t audioBytes)
{
    const bool written = !m_rf64 && needsRf64(audioBytes) ? writeHeader(audioBytes) : writeSizes(audioBytes);
    if (!written)
        return false;
    const std::int64_t now = nowSeconds();
    if (now - m_lastSync >= 1) {
        m_lastSync = now;
        return ::fdatasync(m_fd) == 0;
    }
    return true;
}

std::ptrdiff_t SpoolFile::readAt(std::uint64_t offset, std::span<std::byte> buffer) const
{
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::pread(m_fd, buffer.data() + done, buffer.size() - done,
                                  static_cast<off_t>(audioOffset + offset + done));
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

std::vector<std::string> recoverAbandonedRecordings(const std::filesystem::path& folder)
{
    std::vector<std::string> recovered;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(spoolFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0 || !entry.is_regular_file(ec))
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Still locked: its program is recording into it.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        struct stat info
        {
        };
        std::vector<std::byte> h(SpoolFile::audioOffset);
        const bool readable = ::fstat(fd, &info) == 0 && ::pread(fd, h.data(), h.size(), 0) == ssize_t(h.size());
        const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
        if (!readable || size <= SpoolFile::audioOffset) {
            ::unlink(entry.path().c_str()); // nothing was recorded
            ::close(fd);
            continue;
        }
        // The header as the file's own audio describes it: whole frames, up to the last one written.
        PcmFormat format;
        const std::byte* f = h.data() + SpoolFile::audioOffset - 32;
        format.channels = get16(f + 10);
        format.samplesPerSec = get32(f + 12);
        format.bitsPerSample = get16(f + 22);
        const std::uint64_t align = std::max<std::uint32_t>(format.blockAlign(), 1);
        const std::uint64_t audio = (size - SpoolFile::audioOffset) / align * align;
        const bool rf64 = needsRf64(audio);
        const auto fixed = header(format, audio, rf64);
        if (::ftruncate(fd, static_cast<off_t>(SpoolFile::audioOffset + audio)) != 0
            || !writeAll(fd, fixed.data(), fixed.size(), 0) || ::fdatasync(fd) != 0) {
            ::close(fd);
            continue;
        }
        // "quorvel-spool-20261209-021700-abc123.wav": the start time follows the prefix.
        const std::string stamp = name.substr(prefix.size(), 15);
        std::string when = "unknown time";
        if (stamp.size() == 15 && stamp[8] == '-') {
            when = stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " + stamp.substr(9, 2)
                + "." + stamp.substr(11, 2) + "." + stamp.substr(13, 2);
        }
        std::string target = "Recovered " + when + ".wav";
        for (int n = 2; std::filesystem::exists(folder / target, ec); ++n)
            target = "Recovered " + when + " (" + std::to_string(n) + ").wav";
        std::filesystem::rename(entry.path(), folder / target, ec);
        if (ec) {
            // Another file system: copy, then let the spool go.
            std::filesystem::copy_file(entry.path(), folder / target, ec);
            if (!ec)
                ::unlink(entry.path().c_str());
        }
        ::close(fd);
        if (!ec)
            recovered.push_back(target);
    }
    return recovered;
}

} // namespace quorvel::platform
