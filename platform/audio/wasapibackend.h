// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audiobackend.h"

namespace quorvel::platform {

// The Windows audio engine (WASAPI, shared mode) on the default capture and render endpoints: the
// ones the user picked in the sound settings. The engine converts between the take's format and
// its own mix format. Each stream waits on the engine's event, so it wakes only when audio moves.
// (Qt 6 runs on Windows 10 and later, which all have WASAPI: no waveIn/waveOut path is needed.)
class WasapiBackend final : public AudioBackend
{
public:
    // Starts loading the audio system on a thread of its own.
    WasapiBackend();
    std::unique_ptr<CaptureStream> openCapture(const PcmFormat& format, const OpenCancelled& cancelled) override;
    std::unique_ptr<PlaybackStream> openPlayback(const PcmFormat& format, const OpenCancelled& cancelled) override;
    std::size_t chunkBytes(const PcmFormat& format) const override;
    std::size_t playbackChunkBytes(const PcmFormat& format) const override;
};

} // namespace quorvel::platform
