#include "wavwriter.h"

#include "ownfiles.h"
#include "riffheader.h"
#include "spoolfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

struct SndfileCloser
{
    void operator()(SNDFILE* file) const { sf_close(file); }
};

using namespace le;

// The classic 44-byte header, as libsndfile writes it for PCM. RIFF chunks have even sizes: odd
// audio is followed by a pad byte, which the RIFF size counts.
std::vector<std::byte> classicHeader(const PcmFormat& format, std::uint64_t bytes)
{
    std::vector<std::byte> h(44);
    putTag(h.data(), "RIFF");
    put32(h.data() + 4, static_cast<std::uint32_t>(36 + bytes + (bytes & 1)));
    putTag(h.data() + 8, "WAVE");
    putFormatAndData(h.data() + 12, format, static_cast<std::uint32_t>(bytes));
    return h;
}

// The kernel copies the spool's audio behind our own header, without passing it through this
// process (and clones it where the file system can). False, with nothing written, when the two
// files can't be copied between that way (another file system, an old kernel): the caller then
// copies by hand.
enum class KernelCopy
{
    Done,
    Unsupported,
    Failed
};

KernelCopy copyByKernel(int out, const PcmFormat& format, const SpoolFile& spool, std::uint64_t bytes)
{
    const auto header = classicHeader(format, bytes);
    bool ok = ::pwrite(out, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size());
    loff_t from = static_cast<loff_t>(SpoolFile::audioOffset);
    loff_t to = static_cast<loff_t>(header.size());
    std::uint64_t left = bytes;
    bool first = true;
    while (ok && left > 0) {
        const ssize_t n = ::copy_file_range(spool.descriptor(), &from, out, &to,
                                            static_cast<std::size_t>(std::min<std::uint64_t>(left, 1ull << 30)), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (first && n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                ::ftruncate(out, 0);
                return KernelCopy::Unsupported;
            }
            if (n == 0)
                errno = EIO;
            ok = false;
            break;
        }
        first = false;
        left -= static_cast<std::uint64_t>(n);
    }
    if (ok && (bytes & 1)) {
        const std::byte pad {0};
        ok = ::pwrite(out, &pad, 1, to) == 1;
    }
    ok = ok && ::fsync(out) == 0;
    return ok ? KernelCopy::Done : KernelCopy::Failed;
}

// Through libsndfile, a megabyte at a time: RF64 past 4 GiB, and where the kernel can't copy.
bool copyBySndfile(int fd, const PcmFormat& format, const SpoolFile* spool, std::uint64_t bytes)
{
    SF_INFO info {};
    info.samplerate = static_cast<int>(format.samplesPerSec);
    info.channels = format.channels;
    const int container = bytes <= maxClassicWavData ? SF_FORMAT_WAV : SF_FORMAT_RF64;
    info.format = container | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    std::unique_ptr<SNDFILE, SndfileCloser> out(sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE));
    if (!out)
        return (errno = EIO, false);

    bool ok = true;
    if (bytes > 0 && spool) {
        ::posix_fadvise(spool->descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
        std::vector<std::byte> buffer(1u << 20);
        std::uint64_t offset = 0;
        while (ok && offset < bytes) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - offset));
            const std::ptrdiff_t got = spool->readAt(offset, std::span(buffer.data(), want));
            if (got <= 0) {
                errno = EIO;
                ok = false;
                break;
            }
            errno = 0;
            const auto written = sf_write_raw(out.get(), buffer.data(), got);
            ok = written == got;
            if (!ok && errno == 0)
                errno = EIO;
            offset += static_cast<std::uint64_t>(got);
        }
    } else if (bytes > 0) {
        errno = EIO;
        ok = false;
    }
    const int error = errno;
    ok = sf_error(out.get()) == SF_ERR_NO_ERROR && ok;
    ok = sf_close(out.release()) == 0 && ok && ::fsync(fd) == 0;
    if (!ok && errno == 0)
        errno = error ? error : EIO;
    return ok;
}

} // namespace

int writeWav(const std::filesystem::path& target, const PcmFormat& format, const SpoolFile* spool, std::uint64_t bytes)
{
    if (target.empty() || !target.has_filename())
        return ENOENT;
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        return EISDIR;

    std::filesystem::path partial;
    const int fd = createOwnFile(target.parent_path(), partPrefix(), "", savedFileMode(), partial);
    if (fd < 0)
        return errno;
    KernelCopy copied = KernelCopy::Unsupported;
    if (spool && bytes > 0 && bytes <= maxClassicWavData)
        copied = copyByKernel(fd, format, *spool, bytes);
    bool ok = copied == KernelCopy::Done;
    if (copied == KernelCopy::Unsupported)
        ok = copyBySndfile(fd, format, spool, bytes);
    int error = ok ? 0 : (errno ? errno : EIO);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(partial.c_str(), target.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(partial.c_str()); // nothing half-written is left behind
        return error ? error : EIO;
    }
    return 0;
}

} // namespace quorvel::platform
