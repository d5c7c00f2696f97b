#include "spoolfile.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace quorvel::platform {

SpoolFile::~SpoolFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
}

bool SpoolFile::create()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvel-spool-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    m_fd = fd;
    m_path = pattern;
    return true;
}

bool SpoolFile::writeAt(std::uint64_t offset, std::span<const std::byte> data)
{
    while (!data.empty()) {
        const ssize_t n = ::pwrite(m_fd, data.data(), data.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data = data.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

std::ptrdiff_t SpoolFile::readAt(std::uint64_t offset, std::span<std::byte> buffer) const
{
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::pread(m_fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
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

} // namespace quorvel::platform
