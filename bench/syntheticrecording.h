// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/syntheticbackend.h"
#include "mci.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace quorvel::bench {

// Opens "capture" and records `bytes` of 44.1 kHz 16-bit stereo from the synthetic backend, as
// fast as it can be written, polling the length the way the window does; the device is left
// open (still recording: saving stops it).
inline void recordSynthetic(std::uint64_t bytes, std::size_t chunkBytes = 0)
{
    using namespace quorvel::platform;
    SyntheticBackend::Options options;
    options.captureLimit = bytes;
    options.chunkBytes = chunkBytes;
    setAudioBackend(std::make_shared<SyntheticBackend>(options));
    mciSendString("open new type waveaudio alias capture", nullptr, 0);
    mciSendString("set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400", nullptr,
                  0);
    mciSendString("set capture time format bytes", nullptr, 0);
    mciSendString("record capture", nullptr, 0);
    char reply[255];
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(19));
        mciSendString("status capture length", reply, sizeof reply);
    } while (std::strtoull(reply, nullptr, 10) < bytes);
}

} // namespace quorvel::bench
