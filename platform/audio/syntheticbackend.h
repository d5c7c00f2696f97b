// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audiobackend.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace quorvel::platform {

// A backend without a sound server: capture delivers a known signal (a 440 Hz tone on the left,
// 880 Hz on the right, at half of full scale unless asked otherwise), as fast as it is read or at a multiple of real
// time; playback swallows the audio at the chosen pace. For tests and benchmarks.
class SyntheticBackend final : public AudioBackend
{
public:
    struct Options
    {
        double speed = 0; // multiple of real time; 0: as fast as it is read
        std::uint64_t captureLimit = UINT64_MAX; // bytes a capture delivers before it goes quiet
        bool inputAvailable = true;
        bool outputAvailable = true;
        std::size_t chunkBytes = 0; // 0: 50 ms of audio
        double amplitude = 0.5; // of the captured tones, as a share of full scale
    };

    SyntheticBackend() = default;
    explicit SyntheticBackend(Options options)
        : m_options(options)
    {
    }

    std::unique_ptr<CaptureStream> openCapture(const PcmFormat& format, const OpenCancelled& cancelled) override;
    std::unique_ptr<PlaybackStream> openPlayback(const PcmFormat& format, const OpenCancelled& cancelled) override;
    std::size_t chunkBytes(const PcmFormat& format) const override;

    // The bytes that a capture in `format` delivers from byte `offset` on (offset on a frame).
    static void render(const PcmFormat& format, std::uint64_t offset, std::span<std::byte> out);

    // Bytes that playback streams have taken so far.
    std::uint64_t bytesPlayed() const { return m_played.load(); }

private:
    Options m_options;
    std::atomic<std::uint64_t> m_played {0};
};

} // namespace quorvel::platform
