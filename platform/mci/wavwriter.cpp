// SPDX-License-Identifier: GPL-3.0-or-later
#include "wavwriter.h"

#include "ownfiles.h"
#include "riffheader.h"
#include "spoolfile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

namespace quorvel::platform {

namespace {

using namespace le;

// The header of a file of `bytes` audio bytes. RIFF chunks have even sizes: odd audio is followed
// by a pad byte, which the RIFF size counts. Up to 4 GiB the classic 44-byte header; past it RF64
// (EBU Tech 3306): the sizes in a "ds64" chunk, the 32-bit fields all ones.
std::vector<std::byte> wavHeader(const PcmFormat& format, std::uint64_t bytes)
{
    const std::uint64_t padded = bytes + (bytes & 1);
    if (bytes <= maxClassicWavData) {
        std::vector<std::byte> h(44);
        putTag(h.data(), "RIFF");
        put32(h.data() + 4, static_cast<std::uint32_t>(36 + padded));
        putTag(h.data() + 8, "WAVE");
        putFormatAndData(h.data() + 12, format, static_cast<std::uint32_t>(bytes));
        return h;
    }
    std::vector<std::byte> h(80);
    std::byte* p = h.data();
    putTag(p, "RF64");
    put32(p + 4, 0xFFFFFFFFu);
    putTag(p + 8, "WAVE");
    putTag(p + 12, "ds64");
    put32(p + 16, 28);
    put64(p + 20, h.size() - 8 + padded);
    put64(p + 28, bytes);
    put64(p + 36, bytes / std::max<std::uint32_t>(format.blockAlign(), 1));
    put32(p + 44, 0); // no table of other chunks' sizes
    putFormatAndData(p + 48, format, 0xFFFFFFFFu);
    return h;
}

bool writeFile(int fd, const PcmFormat& format, const SpoolFile* spool, std::uint64_t bytes)
{
    const auto header = wavHeader(format, bytes);
    if (!writeAllAt(fd, header.data(), header.size(), 0))
        return false;
    if (bytes > 0 && (!spool || !copyRange(spool->descriptor(), SpoolFile::audioOffset, fd, header.size(), bytes)))
        return (errno = errno ? errno : EIO, false);
    const std::byte pad {0};
    if ((bytes & 1) && !writeAllAt(fd, &pad, 1, header.size() + bytes))
        return false;
    return syncFile(fd);
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
    errno = 0;
    bool ok = writeFile(fd, format, spool, bytes);
    int error = ok ? 0 : (errno ? errno : EIO);
    if (ok && !replaceFile(partial, target)) {
        // A part that is no longer where it was made was moved or swapped by someone else.
        error = errno == ENOENT && !nameLeadsTo(partial, fd) ? nameSwapped : errno;
        ok = false;
    }
    // The name is the very file written, or the save did not happen: where another user can
    // write into the folder, the part's name may have been swapped before the rename.
    if (ok && !nameLeadsTo(target, fd)) {
        error = nameSwapped;
        ok = false;
    }
    closeFile(fd);
    if (!ok) {
        removeFile(partial); // nothing half-written is left behind
        return error ? error : EIO;
    }
    return 0;
}

} // namespace quorvel::platform
