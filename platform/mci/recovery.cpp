// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing back the recordings of programs that ended without discarding them.

#include "mci.h"
#include "ownfiles.h"
#include "riffheader.h"
#include "spoolfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <vector>

#include <cstdlib>
#include <cstring>

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
    const bool copied = copyRange(fd, 0, out, 0, size) && syncFile(out);
    int error = errno;
    closeFile(out);
    if (copied) {
        for (; n < 1000; ++n) {
            if (renameNoReplace(part, driveC / candidate(n))) {
                removeFile(spool);
                return candidate(n);
            }
            if (errno != EEXIST)
                break;
        }
        error = errno;
    }
    removeFile(part);
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
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const bool unnamed = name.rfind("quorvel-new-", 0) == 0;
        if (!unnamed && name.rfind(spoolPrefix, 0) != 0)
            continue;
        if (unnamed) {
            // A spool about to be named: only a dead program's goes, and it holds no audio yet.
            const long pid = std::atol(name.c_str() + 12);
            if (pid == currentProcess() || processAlive(pid))
                continue;
        }
        // A plain file of this user's with one name, not locked by the program recording into it.
        std::uint64_t size = 0;
        const int fd = openOwnFile(entry.path(), size);
        if (fd < 0)
            continue;
        std::vector<std::byte> h(SpoolFile::audioOffset);
        const bool readable = readAt(fd, h.data(), h.size(), 0) == static_cast<std::ptrdiff_t>(h.size());
        if (unnamed || !readable || size <= SpoolFile::audioOffset) {
            removeFile(entry.path()); // nothing was recorded
            closeFile(fd);
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
            removeFile(entry.path()); // saved whole before its program ended
            closeFile(fd);
            continue;
        }
        const auto fixed = spoolHeader(format, audio, spoolNeedsRf64(audio));
        std::string moved;
        int error = driveError;
        if (driveReady && truncateFile(fd, SpoolFile::audioOffset + audio)
            && writeAllAt(fd, fixed.data(), fixed.size(), 0) && setSavedMode(fd) && syncFile(fd)) {
            moved = moveIntoDriveC(fd, entry.path(), driveC, startOf(name), SpoolFile::audioOffset + audio);
            error = errno;
        } else if (driveReady) {
            error = errno;
        }
        closeFile(fd);
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
