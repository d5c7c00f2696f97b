// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace quorvel::test {

// While it lives, no file of this process may grow past `bytes`: a write beyond fails as it
// would on a full disk (even for root, whom file modes don't stop).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isSet() const { return m_set; }

private:
    rlimit m_saved {};
    bool m_set = false;
};

} // namespace quorvel::test
