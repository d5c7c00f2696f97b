// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiobackend.h"

#include <mutex>

namespace quorvel::platform {

namespace {
std::mutex g_backendMutex;
std::shared_ptr<AudioBackend> g_backend;
} // namespace

std::shared_ptr<AudioBackend> audioBackend()
{
    std::lock_guard lock(g_backendMutex);
    if (!g_backend)
        g_backend = systemAudioBackend();
    return g_backend;
}

void setAudioBackend(std::shared_ptr<AudioBackend> backend)
{
    std::lock_guard lock(g_backendMutex);
    g_backend = std::move(backend);
}

} // namespace quorvel::platform
