// SPDX-License-Identifier: GPL-3.0-or-later
#include "spoolfile.h"

#include "mci.h"
#include "ownfiles.h"
#include "paths.h"

#include "riffheader.h"
#include "wavwriter.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <system_error>

#include <QDateTime>

namespace quorvel::platform {

namespace {

using namespace le;

} // namespace

// RIFF; a chunk held for RF64's sizes (JUNK while the sizes fit 32 bits, ds64 and a shorter JUNK
// after); fmt; data. The audio starts 4096 bytes after where a classic 44-byte file has it, so a
// save copies it page for page behind its own header.
std::vector<std::byte> spoolHeader(const PcmFormat& format, std::uint64_t audioBytes, bool rf64)
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

namespace {

std::int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string spoolName(const PcmFormat& format)
{
    // The recording's start is in the name: a recovered spool is named after it.
    const std::string stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
    return std::string(spoolPrefix) + stamp + "-" + std::to_string(format.samplesPerSec) + "-"
        + std::to_string(format.channels) + "-" + std::to_string(format.bitsPerSample) + "-";
}

// Gives the locked file at `from` a spool name that starts with `stem`; false with errno set.
bool nameSpool(const std::filesystem::path& from, const std::string& stem, std::filesystem::path& named)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto name = from.parent_path() / (stem + randomLetters() + ".wav");
        if (renameNoReplace(from, name)) {
            named = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

void putSavedMark(std::byte* at, std::uint64_t audioBytes)
{
    le::putTag(at, "SAVD");
    le::put64(at + 4, audioBytes);
}

std::optional<std::uint64_t> savedMark(const std::byte* at)
{
    if (std::memcmp(at, "SAVD", 4) != 0)
        return std::nullopt;
    return le::get64(at + 4);
}

// A classic RIFF size field can't describe this much audio behind the spool's header.
bool spoolNeedsRf64(std::uint64_t audioBytes)
{
    return audioBytes > maxClassicWavData - (SpoolFile::audioOffset - 44);
}

SpoolFile::~SpoolFile()
{
    if (m_fd >= 0) {
        discard();
        closeFile(m_fd);
    }
}

std::filesystem::path SpoolFile::path() const
{
    std::lock_guard lock(m_pathMutex);
    return m_path;
}

void SpoolFile::discard()
{
    std::lock_guard lock(m_pathMutex);
    m_discarded = true;
    if (!m_path.empty()) {
        removeFile(m_path);
        m_path.clear();
    }
}

bool SpoolFile::fail()
{
    m_error.store(errno ? errno : EIO, std::memory_order_release);
    return false;
}

bool SpoolFile::create(const PcmFormat& format)
{
    const auto folder = spoolFolder();
    if (!makePrivateFolder(folder))
        return fail();
    // Made and locked under a name the recovery passes over, and only then named as a spool: a
    // program starting meanwhile never takes a spool that is about to record for one of its own.
    std::filesystem::path path;
    const int fd = createOwnFile(folder, "quorvel-new-" + std::to_string(currentProcess()) + "-", "", 0600, path);
    if (fd < 0)
        return fail();
    m_fd = fd;
    {
        std::lock_guard lock(m_pathMutex);
        m_path = path;
        m_discarded = false;
    }
    m_format = format;
    m_lastSync = nowSeconds();
    m_saved.reset();
    std::filesystem::path named;
    if (!lockFile(fd) || !writeHeader(0) || !nameSpool(path, spoolName(format), named)) {
        const int error = errno;
        discard();
        closeFile(m_fd);
        m_fd = -1;
        errno = error;
        return fail();
    }
    {
        std::lock_guard lock(m_pathMutex);
        m_path = named;
    }
    m_renamed.store(false, std::memory_order_release);
    m_error.store(0, std::memory_order_release);
    return true;
}

bool SpoolFile::reset(const PcmFormat& format)
{
    m_format = format;
    std::filesystem::path named;
    if (!writeHeader(0) || !nameSpool(path(), spoolName(format), named))
        return fail();
    std::lock_guard lock(m_pathMutex);
    m_path = named;
    return true;
}

void SpoolFile::cutTo(std::uint64_t audioBytes)
{
    if (truncateFile(m_fd, audioOffset + audioBytes))
        commit(audioBytes);
}

void SpoolFile::markSaved(std::uint64_t audioBytes)
{
    std::byte mark[savedMarkSize] {};
    putSavedMark(mark, audioBytes);
    if (writeAllAt(m_fd, mark, sizeof mark, savedMarkAt))
        m_saved = audioBytes;
}

void SpoolFile::keep(std::uint64_t audioBytes, bool close)
{
    if (m_fd < 0)
        return;
    if (close && (audioBytes == 0 || m_saved == audioBytes)) {
        discard();
    } else {
        commit(audioBytes);
        syncFile(m_fd);
        std::lock_guard lock(m_pathMutex);
        m_path.clear(); // the recovery's now
    }
    if (close) {
        closeFile(m_fd);
        m_fd = -1;
    }
}

bool SpoolFile::writeHeader(std::uint64_t audioBytes)
{
    m_rf64 = m_rf64 || spoolNeedsRf64(audioBytes);
    auto h = spoolHeader(m_format, audioBytes, m_rf64);
    if (m_saved)
        putSavedMark(h.data() + savedMarkAt, *m_saved);
    return writeAllAt(m_fd, h.data(), h.size(), 0) || fail();
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
        return writeAllAt(m_fd, field, 24, 20) || fail();
    }
    le::put32(field, static_cast<std::uint32_t>(riffSize));
    le::put32(field + 4, static_cast<std::uint32_t>(audioBytes));
    return (writeAllAt(m_fd, field, 4, 4) && writeAllAt(m_fd, field + 4, 4, audioOffset - 4)) || fail();
}

bool SpoolFile::writeAt(std::uint64_t offset, std::span<const std::byte> data)
{
    return writeAllAt(m_fd, data.data(), data.size(), audioOffset + offset) || fail();
}

bool SpoolFile::commit(std::uint64_t audioBytes)
{
    const bool written = !m_rf64 && spoolNeedsRf64(audioBytes) ? writeHeader(audioBytes) : writeSizes(audioBytes);
    if (!written)
        return false;
    const std::int64_t now = nowSeconds();
    if (now - m_lastSync >= 1) {
        m_lastSync = now;
        if (!syncFile(m_fd))
            return fail();
        return nameLeadsTo(path(), m_fd) || nameAgain(audioBytes);
    }
    return true;
}

bool SpoolFile::nameAgain(std::uint64_t audioBytes)
{
    // Named as it was, less its random letters: the recovery names the take after its start.
    const auto before = path();
    const std::string old = before.filename().string();
    const std::string stem = old.size() > 10 ? old.substr(0, old.size() - 10) : spoolName(m_format);
    const auto folder = spoolFolder();
    std::filesystem::path made;
    const int fd = makePrivateFolder(folder)
        ? createOwnFile(folder, "quorvel-new-" + std::to_string(currentProcess()) + "-", "", 0600, made)
        : -1;
    if (fd < 0)
        return fail();
    std::filesystem::path named;
    const bool ok = lockFile(fd) && copyRange(m_fd, 0, fd, 0, audioOffset + audioBytes) && syncFile(fd)
        && nameSpool(made, stem, named) && replaceDescriptor(fd, m_fd);
    const int error = errno;
    closeFile(fd);
    if (!ok) {
        removeFile(named.empty() ? made : named);
        errno = error;
        return fail();
    }
    std::lock_guard lock(m_pathMutex);
    if (m_path == before) {
        m_path = named;
        m_renamed.store(true, std::memory_order_release);
    } else if (m_discarded) {
        removeFile(named); // discarded meanwhile; left to the recovery, it keeps the new name
    }
    return true;
}

std::ptrdiff_t SpoolFile::readAt(std::uint64_t offset, std::span<std::byte> buffer) const
{
    return platform::readAt(m_fd, buffer.data(), buffer.size(), audioOffset + offset);
}

} // namespace quorvel::platform
