// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audiobackend.h"

namespace quorvel::platform {

// The desktop's sound server through libpulse (PulseAudio, or PipeWire's pulse service), always on
// the server's default source and sink: the ones the user picked in the sound settings. Each
// stream runs on a single-threaded libpulse main loop driven by the thread that uses it.
class PulseBackend final : public AudioBackend
{
public:
    std::string unreachable() const override;
    std::unique_ptr<CaptureStream> openCapture(const PcmFormat& format, const OpenCancelled& cancelled) override;
    std::unique_ptr<PlaybackStream> openPlayback(const PcmFormat& format, const OpenCancelled& cancelled) override;
    std::size_t chunkBytes(const PcmFormat& format) const override;
    std::size_t playbackChunkBytes(const PcmFormat& format) const override;
};

} // namespace quorvel::platform
