// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audiobackend.h"
#include "mci.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::platform {

class SpoolFile;

enum class DeviceMode : std::uint8_t
{
    Stopped,
    Playing,
    Recording
};
enum class TimeFormat : std::uint8_t
{
    Milliseconds,
    Bytes
};

// One waveaudio element: a recording spooled to disk, captured and played on threads of its own.
// Commands come from one thread at a time and never wait for the sound server: streams are opened
// on the audio threads, and a stop tells its thread and returns; a thread that takes longer ends
// by itself. The status getters only read atomics. Every method either succeeds or leaves the
// device as it was.
class WaveDevice
{
public:
    explicit WaveDevice(std::shared_ptr<AudioBackend> backend);
    ~WaveDevice();
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    const PcmFormat& format() const { return m_format; }
    // False (and nothing changed) while recording or once the recording holds audio.
    bool canChangeFormat() const;
    void setFormat(const PcmFormat& format) { m_format = format; }

    TimeFormat timeFormat() const { return m_timeFormat; }
    void setTimeFormat(TimeFormat format) { m_timeFormat = format; }

    // 0, or the MCI error: 302 while playing, 328 when no input takes this format (as far as can be
    // told at once; an input that fails later turns the mode to "stopped"), 286 when the recording
    // can't be spooled to disk.
    std::uint32_t record();
    // Ends recording or playback; the audio stays.
    void stop();
    // Plays from the byte offset (nullopt: the current position) to the end.
    // 0, or 302 while recording, 282 past the end, 328 when no output plays this format.
    std::uint32_t play(std::optional<std::uint64_t> fromByte);
    // Stops a recording first and waits for its last audio. 0, or 286 when the file could not be
    // written (saveError() then says why).
    std::uint32_t save(const std::filesystem::path& target);
    int saveError() const { return m_saveError; }

    // Why the last recording ended by itself or could not start, for the user; empty if it didn't.
    std::string problem() const;
    // What the user should know of the recording that goes on, once; empty when nothing is new.
    std::string notice();

    // The device goes, and its recording is left for the recovery at the next start (see SpoolFile::keep).
    void keepRecording();
    // The recording so far reaches the disk now.
    void syncRecording();

    // How loud the recording or playback is (see SoundLevel); `look` takes the peak.
    SoundLevel level(bool look);

    DeviceMode mode() const;
    std::uint64_t lengthBytes() const;
    // The length will not change by itself any more: not recording, and a stopped recording's
    // thread has taken in its last audio.
    bool lengthFinal() const;
    std::uint64_t positionBytes() const;

    // Converts between the time format and bytes, using the device's format.
    std::uint64_t toTimeUnits(std::uint64_t bytes) const;
    std::uint64_t fromTimeUnits(std::uint64_t units) const;

private:
    struct Shared;
    struct Control;
    struct Worker;

    void stopWorker();
    // Joins the threads that have ended since they were told to stop.
    void reapFinished(bool wait);
    // Starts `m_worker`, which opens its stream and runs it, and waits a moment for the open.
    // 0, or 328 when the stream could not be opened within that moment. A worker that ends by
    // itself turns the mode to "stopped", unless a later command has taken its place.
    std::uint32_t launch(std::function<void(Control&)> run);

    std::shared_ptr<AudioBackend> m_backend;
    PcmFormat m_format;
    TimeFormat m_timeFormat = TimeFormat::Milliseconds;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Worker> m_worker;
    std::vector<std::unique_ptr<Worker>> m_finishing;
    int m_saveError = 0;
};

} // namespace quorvel::platform
