#include "wavwriter.h"

#include "spoolfile.h"

#include <algorithm>
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

std::filesystem::path partialName(const std::filesystem::path& target)
{
    auto name = target;
    name += ".quorvel-part";
    return name;
}

} // namespace

bool writeWav(const std::filesystem::path& target, const PcmFormat& format, const SpoolFile* spool, std::uint64_t bytes)
{
    if (target.empty() || !target.has_filename())
        return false;
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        return false;

    SF_INFO info {};
    info.samplerate = static_cast<int>(format.samplesPerSec);
    info.channels = format.channels;
    const int container = bytes <= maxClassicWavData ? SF_FORMAT_WAV : SF_FORMAT_RF64;
    info.format = container | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);

    const auto partial = partialName(target);
    std::unique_ptr<SNDFILE, SndfileCloser> out(sf_open(partial.c_str(), SFM_WRITE, &info));
    if (!out)
        return false;

    bool ok = true;
    if (bytes > 0 && spool) {
        ::posix_fadvise(spool->descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
        std::vector<std::byte> buffer(1u << 20);
        std::uint64_t offset = 0;
        while (ok && offset < bytes) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - offset));
            const std::ptrdiff_t got = spool->readAt(offset, std::span(buffer.data(), want));
            if (got <= 0) {
                ok = false;
                break;
            }
            const auto written = sf_write_raw(out.get(), buffer.data(), got);
            ok = written == got;
            offset += static_cast<std::uint64_t>(got);
        }
    } else if (bytes > 0) {
        ok = false;
    }
    ok = sf_error(out.get()) == SF_ERR_NO_ERROR && ok;
    ok = sf_close(out.release()) == 0 && ok;

    if (ok) {
        std::filesystem::rename(partial, target, ec);
        ok = !ec;
    }
    if (!ok)
        std::filesystem::remove(partial, ec);
    return ok;
}

} // namespace quorvel::platform
