// Bringing back the recordings of programs that ended without discarding them.

#include "mci.h"
#include "ownfiles.h"
#include "riffheader.h"
#include "spoolfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

using namespace le;

bool tagIs(const std::byte* at, const char* tag)
{
    return std::memcmp(at, tag, 4) == 0;
}

bool plausible(const PcmFormat& f)
{
    return f.samplesPerSec >= 8000 && f.samplesPerSec <= 48000 && (f.channels == 1 || f.channels == 2)
        && (f.bitsPerSample == 8 || f.bitsPerSample == 16);
}

// The format as the header has it, if the header is whole.
bool formatFromHeader(const std::vector<std::byte>& h, PcmFormat& format)
{
    const std::byte* f = h.data() + SpoolFile::audioOffset - 32;
    if (!(tagIs(h.data(), "RIFF") || tagIs(h.data(), "RF64")) || !tagIs(h.data() + 8, "WAVE") || !tagIs(f, "fmt ")
        || get32(f + 4) != 16 || get16(f + 8) != 1 || !tagIs(f + 24, "data"))
        return false;
    const PcmFormat read {get32(f + 12), get16(f + 10), get16(f + 22)};
    if (!plausible(read) || get32(f + 16) != read.bytesPerSec() || get16(f + 20) != read.blockAlign())
        return false;
    format = read;
    return true;
}

// The format as the spool's name has it: "quorvel-spool-<date>-<time>-<rate>-<channels>-<bits>-...".
bool formatFromName(std::string_view name, PcmFormat& format)
{
    name.remove_prefix(spoolPrefix.size());
    std::vector<std::string_view> parts;
    for (std::size_t dash; (dash = name.find('-')) != std::string_view::npos; name.remove_prefix(dash + 1))
        parts.push_back(name.substr(0, dash));
    if (parts.size() < 5)
        return false;
    unsigned values[3] {};
    for (int i = 0; i < 3; ++i) {
        const auto field = parts[static_cast<std::size_t>(2 + i)];
        if (std::from_chars(field.data(), field.data() + field.size(), values[i]).ptr != field.data() + field.size())
            return false;
    }
    const PcmFormat read {values[0], static_cast<std::uint16_t>(values[1]), static_cast<std::uint16_t>(values[2])};
    if (!plausible(read))
        return false;
    format = read;
    return true;
}

// "quorvel-spool-20261209-021700-...": the start time follows the prefix.
std::string startOf(const std::string& name)
{
    const std::string stamp = name.substr(spoolPrefix.size(), 15);
    if (stamp.size() != 15 || stamp[8] != '-')
        return "unknown time";
    return stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " + stamp.substr(9, 2) + "."
        + stamp.substr(11, 2) + "." + stamp.substr(13, 2);
}

// The kernel copies where it can; between file systems that it can't, by hand.
bool copyAll(int from, int to, std::uint64_t size)
{
    loff_t in = 0;
    loff_t out = 0;
    bool byHand = false;
    std::vector<std::byte> buffer;
    while (static_cast<std::uint64_t>(in) < size) {
        const auto want
            = static_cast<std::size_t>(std::min<std::uint64_t>(size - static_cast<std::uint64_t>(in), 1u << 30));
        if (!byHand) {
            const ssize_t n = ::copy_file_range(from, &in, to, &out, want, 0);
            if (n > 0)
                continue;
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || !(errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL))
                return n == 0 ? (errno = EIO, false) : false;
            byHand = true;
            buffer.resize(1u << 20);
        }
        const ssize_t n = ::pread(from, buffer.data(), std::min(buffer.size(), want), in);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? (errno = EIO, false) : false;
        if (!writeAllAt(to, buffer.data(), static_cast<std::size_t>(n), static_cast<std::uint64_t>(out)))
            return false;
        in += n;
        out += n;
    }
    return ::fsync(to) == 0;
}

// Moves the spool (open as `fd`) into drive C under the first free "Recovered" name; another file
// system gets a copy made under a temporary name first, so no name ever holds half a recording.
// The file name in drive C, or empty with errno set.
std::string moveIntoDriveC(int fd, const std::filesystem::path& spool, const std::filesystem::path& driveC,
                           const std::string& when, std::uint64_t size)
{
    const auto candidate = [&](int n) {
        return "Recovered " + when + (n > 1 ? " (" + std::to_string(n) + ")" : std::string()) + ".wav";
    };
    int n = 1;
    for (; n < 1000; ++n) {
        if (renameNoReplace(spool, driveC / candidate(n)))
            return candidate(n);
        if (errno != EEXIST)
            break;
    }
    if (errno != EXDEV)
        return {};
    std::filesystem::path part;
    const int out = createOwnFile(driveC, partPrefix(), "", savedFileMode(), part);
    if (out < 0)
        return {};
    const bool copied = copyAll(fd, out, size);
    int error = errno;
    ::close(out);
    if (copied) {
        for (; n < 1000; ++n) {
            if (renameNoReplace(part, driveC / candidate(n))) {
                ::unlink(spool.c_str());
                return candidate(n);
            }
            if (errno != EEXIST)
                break;
        }
        error = errno;
    }
    ::unlink(part.c_str());
    errno = error;
    return {};
}

} // namespace

Recovery recoverRecordings(const std::filesystem::path& driveC)
{
    Recovery result;
    const bool driveReady = makeFolder(driveC);
    const int driveError = errno;
    if (driveReady)
        removeAbandonedParts(driveC);

    const auto folder = spoolFolder();
    // Only a folder of this user's that nobody else can write to holds spools to trust.
    if (!makePrivateFolder(folder))
        return result;
    struct stat info
    {
    };

    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const bool unnamed = name.rfind("quorvel-new-", 0) == 0;
        if (!unnamed && name.rfind(spoolPrefix, 0) != 0)
            continue;
        if (unnamed) {
            // A spool about to be named: only a dead program's goes, and it holds no audio yet.
            const long pid = std::atol(name.c_str() + 12);
            if (pid == ::getpid() || processAlive(pid))
                continue;
        }
        const int fd = ::open(entry.path().c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A plain file of this user's with one name, not locked by the program recording into it.
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1
            || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        const auto size = static_cast<std::uint64_t>(info.st_size);
        std::vector<std::byte> h(SpoolFile::audioOffset);
        const bool readable = ::pread(fd, h.data(), h.size(), 0) == static_cast<ssize_t>(h.size());
        if (unnamed || !readable || size <= SpoolFile::audioOffset) {
            ::unlink(entry.path().c_str()); // nothing was recorded
            ::close(fd);
            continue;
        }
        // The format as the header says, or as the name says when the header is damaged; the
        // audio is everything behind the header, in whole frames.
        PcmFormat format;
        if (!formatFromHeader(h, format))
            formatFromName(name, format);
        const std::uint64_t align = std::max<std::uint32_t>(format.blockAlign(), 1);
        const std::uint64_t audio = (size - SpoolFile::audioOffset) / align * align;
        if (savedMark(h.data() + savedMarkAt) == audio) {
            ::unlink(entry.path().c_str()); // saved whole before its program ended
            ::close(fd);
            continue;
        }
        const auto fixed = spoolHeader(format, audio, spoolNeedsRf64(audio));
        std::string moved;
        int error = driveError;
        if (driveReady && ::ftruncate(fd, static_cast<off_t>(SpoolFile::audioOffset + audio)) == 0
            && writeAllAt(fd, fixed.data(), fixed.size(), 0) && ::fchmod(fd, savedFileMode()) == 0
            && ::fdatasync(fd) == 0) {
            moved = moveIntoDriveC(fd, entry.path(), driveC, startOf(name), SpoolFile::audioOffset + audio);
            error = errno;
        } else if (driveReady) {
            error = errno;
        }
        ::close(fd);
        if (!moved.empty())
            result.recovered.push_back(moved);
        else
            result.waiting.push_back("The recording of " + startOf(name) + " could not be moved into " + driveC.string()
                                     + " (" + errorText(error) + "). It waits in " + folder.string()
                                     + " and is tried again at the next start.");
    }
    std::sort(result.recovered.begin(), result.recovered.end());
    return result;
}

} // namespace quorvel::platform
