// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace quorvel::platform {

// Interleaved little-endian PCM: 8-bit unsigned or 16-bit signed samples.
struct PcmFormat
{
    std::uint32_t samplesPerSec = 11025;
    std::uint16_t channels = 1;
    std::uint16_t bitsPerSample = 8;

    std::uint32_t blockAlign() const { return channels * bitsPerSample / 8u; }
    std::uint32_t bytesPerSec() const { return blockAlign() * samplesPerSec; }
    bool operator==(const PcmFormat&) const = default;
};

// A running capture from the default input. Used by one thread at a time.
class CaptureStream
{
public:
    virtual ~CaptureStream() = default;
    // Fills at most buffer.size() bytes with whole frames. Returns the number of bytes, 0 when
    // nothing was ready (the caller publishes what it has and asks again), or -1 when the stream
    // has failed for good.
    virtual std::ptrdiff_t read(std::span<std::byte> buffer) = 0;
    // The recording stops: from now on, reads hand over what the input already holds for us and
    // then return 0 instead of waiting for more. Wakes a read that is waiting. Any thread may call it.
    virtual void interrupt() = 0;
    // How long the input may gather audio before a read hands it over: longer costs fewer
    // wake-ups, shorter lets a level meter follow the sound. The reading thread calls it.
    virtual void setPace(std::chrono::milliseconds /*gather*/) { }
    // The input's name as the desktop's sound settings show it; empty when it is not known. May
    // ask the server: the reading thread calls it.
    virtual std::string inputName() { return {}; }
};

// A running playback to the default output. Used by one thread at a time, but for interrupt().
class PlaybackStream
{
public:
    virtual ~PlaybackStream() = default;
    // Hands the bytes to the output, blocking while its buffer is full; false when it has failed
    // or was interrupted.
    virtual bool write(std::span<const std::byte> data) = 0;
    // Waits until what was written has been played; returns early when interrupted.
    virtual void drain() = 0;
    // The playback stops: a write or drain that waits returns at once, and so does every later one.
    // Any thread may call it.
    virtual void interrupt() = 0;
};

// Set when the device no longer wants the stream it asked for: an open that waits for a server
// that does not answer gives up soon after.
using OpenCancelled = std::atomic<bool>;

// Where the device's audio comes from and goes to.
class AudioBackend
{
public:
    virtual ~AudioBackend() = default;
    // Why there is no server to ask at all, told at once without asking it (a missing socket, one
    // nobody listens on), in words for the user; empty when there may be one.
    virtual std::string unreachable() const { return {}; }
    // nullptr when no input can record in this format (no server, no source). May wait for the
    // server: the device calls it on an audio thread.
    virtual std::unique_ptr<CaptureStream> openCapture(const PcmFormat& format, const OpenCancelled& cancelled) = 0;
    // nullptr when no output can play this format. May wait for the server, as above.
    virtual std::unique_ptr<PlaybackStream> openPlayback(const PcmFormat& format, const OpenCancelled& cancelled) = 0;
    // How much audio the recording takes in at a time: the spool and the length move in these steps.
    virtual std::size_t chunkBytes(const PcmFormat& format) const = 0;
    // How much audio one playback write hands over: it bounds how long a stop waits.
    virtual std::size_t playbackChunkBytes(const PcmFormat& format) const { return chunkBytes(format); }
};

// The backend that devices opened from now on use; the system's unless a test replaced it.
std::shared_ptr<AudioBackend> audioBackend();
// The system's own: PulseAudio on Linux, WASAPI on Windows.
std::shared_ptr<AudioBackend> systemAudioBackend();
void setAudioBackend(std::shared_ptr<AudioBackend> backend);

} // namespace quorvel::platform
