// SPDX-License-Identifier: GPL-3.0-or-later
#include "wavedevice.h"

#include "ownfiles.h"
#include "spoolfile.h"
#include "wavwriter.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel::platform {

using namespace std::chrono_literals;

namespace {
// How long a command waits for its audio thread: an answer within it is given at once (a stream
// that can't open, a stop that is done); beyond it the thread carries on alone.
constexpr auto commandWait = 30ms;
// How often the capture hands its audio over while a meter follows it, and while none does.
constexpr auto meteredPace = 90ms;
constexpr auto restingPace = 200ms;
// A meter that has not looked for this long no longer follows the capture.
constexpr auto meterGone = 500ms;
// Samples are kept as shares of full scale in 1/32768ths.
constexpr std::uint32_t fullScale = 32768;
// -60 dBFS: anything quieter is no sound.
constexpr std::uint32_t quietLine = 33;

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Peak
{
    std::uint32_t level = 0; // in 1/32768ths of full scale
    bool clipped = false;
};

// The loudest sample of interleaved PCM, and whether any reached full scale.
Peak peakOf(std::span<const std::byte> audio, const PcmFormat& format)
{
    Peak peak;
    if (format.bitsPerSample == 8) {
        for (const std::byte b : audio) {
            const int sample = static_cast<int>(std::to_integer<std::uint8_t>(b)) - 128;
            peak.level = std::max<std::uint32_t>(peak.level, static_cast<std::uint32_t>(std::abs(sample)) * 256);
            peak.clipped |= sample == -128 || sample == 127;
        }
        return peak;
    }
    for (std::size_t i = 0; i + 1 < audio.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(std::to_integer<std::uint16_t>(audio[i])
                                                      | std::to_integer<std::uint16_t>(audio[i + 1]) << 8);
        peak.level = std::max<std::uint32_t>(peak.level, static_cast<std::uint32_t>(std::abs(int {sample})));
        peak.clipped |= sample == INT16_MIN || sample == INT16_MAX;
    }
    return peak;
}
} // namespace

// What the device and its audio threads share. The threads keep it alive, so a thread still
// finishing never touches a destroyed device.
struct WaveDevice::Shared
{
    SpoolFile spool;
    std::atomic<std::uint64_t> length {0};
    std::atomic<std::uint64_t> position {0};
    std::atomic<DeviceMode> mode {DeviceMode::Stopped};
    // A capture thread is still taking audio in: after a stop, what the server still holds.
    std::atomic<bool> capturing {false};
    // Only the worker of the current generation may set the mode when it ends by itself.
    std::atomic<std::uint64_t> generation {0};

    // The level: the loudest sample since a meter last looked, plus one (0: no audio came since),
    // a full-scale sample in this take,
    // when a sound last came in, and when a meter last looked (steady milliseconds).
    std::atomic<std::uint32_t> peak {0};
    std::atomic<bool> clipped {false};
    std::atomic<std::int64_t> soundAt {0};
    std::atomic<std::int64_t> lookedAt {0};
    // The sound that just went through the device; `recording`: it came in.
    void measure(std::span<const std::byte> audio, const PcmFormat& format, bool recording)
    {
        const Peak found = peakOf(audio, format);
        std::uint32_t held = peak.load(std::memory_order_relaxed);
        while (found.level + 1 > held && !peak.compare_exchange_weak(held, found.level + 1, std::memory_order_relaxed))
            ;
        if (!recording)
            return;
        if (found.clipped)
            clipped.store(true, std::memory_order_relaxed);
        if (found.level >= quietLine)
            soundAt.store(nowMs(), std::memory_order_relaxed);
    }
    bool metered() const { return nowMs() - lookedAt.load(std::memory_order_relaxed) < meterGone.count(); }
    mutable std::mutex inputMutex;
    std::string input;

    mutable std::mutex problemMutex;
    std::string problem;
    void setProblem(std::string text)
    {
        std::lock_guard lock(problemMutex);
        problem = std::move(text);
    }
    // The spool could not take the audio: where, and why.
    void spoolFailed()
    {
        setProblem("writing to the folder " + spoolFolder().string() + " failed (" + errorText(spool.lastError())
                   + ")");
    }
};

// What a command and its audio thread share.
struct WaveDevice::Control
{
    OpenCancelled stop {false};
    std::mutex mutex;
    std::condition_variable changed;
    bool opened = false;
    bool failed = false;
    bool done = false;
    std::shared_ptr<CaptureStream> capture;
    std::shared_ptr<PlaybackStream> playback;

    // Any thread: the stream, once there is one, stops waiting for the server.
    void interrupt()
    {
        std::lock_guard lock(mutex);
        stop.store(true, std::memory_order_release);
        if (capture)
            capture->interrupt();
        if (playback)
            playback->interrupt();
    }
    template<class Stream> void markOpened(const std::shared_ptr<Stream>& stream, std::shared_ptr<Stream>& slot)
    {
        std::lock_guard lock(mutex);
        slot = stream;
        if (stream && stop.load(std::memory_order_acquire))
            stream->interrupt();
        opened = true;
        failed = !stream;
        changed.notify_all();
    }
    // The stream goes on its own thread: it is that thread's main loop's.
    template<class Stream> void release(std::shared_ptr<Stream>& stream, std::shared_ptr<Stream>& slot)
    {
        {
            std::lock_guard lock(mutex);
            slot.reset();
        }
        stream.reset();
    }
    void markDone()
    {
        std::lock_guard lock(mutex);
        done = true;
        changed.notify_all();
    }
    template<class Duration> bool waitDone(Duration timeout)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [this] { return done; });
    }
};

struct WaveDevice::Worker
{
    std::thread thread;
    std::shared_ptr<Control> control = std::make_shared<Control>();
};

WaveDevice::WaveDevice(std::shared_ptr<AudioBackend> backend)
    : m_backend(std::move(backend))
    , m_shared(std::make_shared<Shared>())
{
}

WaveDevice::~WaveDevice()
{
    stopWorker();
    // The recording is discarded now, whatever a thread still finishing does with it.
    m_shared->spool.discard();
    for (auto& worker : m_finishing) {
        if (worker->control->waitDone(0ms))
            worker->thread.join();
        else
            worker->thread.detach(); // it ends as soon as its server call returns
    }
}

bool WaveDevice::canChangeFormat() const
{
    return mode() != DeviceMode::Recording && lengthBytes() == 0;
}

DeviceMode WaveDevice::mode() const
{
    return m_shared->mode.load(std::memory_order_acquire);
}

bool WaveDevice::lengthFinal() const
{
    return mode() != DeviceMode::Recording && !m_shared->capturing.load(std::memory_order_acquire);
}

std::uint64_t WaveDevice::lengthBytes() const
{
    return m_shared->length.load(std::memory_order_acquire);
}

std::uint64_t WaveDevice::positionBytes() const
{
    if (mode() == DeviceMode::Recording)
        return lengthBytes();
    return m_shared->position.load(std::memory_order_acquire);
}

std::uint64_t WaveDevice::toTimeUnits(std::uint64_t bytes) const
{
    if (m_timeFormat == TimeFormat::Bytes)
        return bytes;
    const std::uint64_t perSecond = std::max<std::uint32_t>(m_format.bytesPerSec(), 1);
    return bytes / perSecond * 1000 + bytes % perSecond * 1000 / perSecond;
}

std::uint64_t WaveDevice::fromTimeUnits(std::uint64_t units) const
{
    std::uint64_t bytes = units;
    if (m_timeFormat == TimeFormat::Milliseconds) {
        const std::uint64_t perSecond = m_format.bytesPerSec();
        bytes = units / 1000 * perSecond + units % 1000 * perSecond / 1000;
    }
    const std::uint64_t align = std::max<std::uint32_t>(m_format.blockAlign(), 1);
    return bytes - bytes % align;
}

void WaveDevice::stopWorker()
{
    if (!m_worker)
        return;
    m_shared->generation.fetch_add(1, std::memory_order_acq_rel);
    m_worker->control->interrupt();
    if (m_worker->control->waitDone(commandWait))
        m_worker->thread.join();
    else
        m_finishing.push_back(std::move(m_worker));
    m_worker.reset();
}

void WaveDevice::reapFinished(bool wait)
{
    std::erase_if(m_finishing, [wait](const std::unique_ptr<Worker>& worker) {
        if (!worker->control->waitDone(wait ? std::chrono::milliseconds(10s) : 0ms))
            return false;
        worker->thread.join();
        return true;
    });
}

std::uint32_t WaveDevice::launch(std::function<void(Control&)> run)
{
    m_worker = std::make_unique<Worker>();
    auto control = m_worker->control;
    auto shared = m_shared;
    const std::uint64_t generation = shared->generation.load();
    // Streams never overlap: the one before this has gone before this one opens.
    std::shared_ptr<Control> previous = m_finishing.empty() ? nullptr : m_finishing.back()->control;
    m_worker->thread = std::thread([control, previous, shared, generation, run = std::move(run)] {
        if (previous)
            previous->waitDone(10s);
        run(*control);
        if (shared->generation.load(std::memory_order_acquire) == generation)
            shared->mode.store(DeviceMode::Stopped, std::memory_order_release);
        control->markDone();
    });
    bool failed = false;
    {
        std::unique_lock lock(control->mutex);
        control->changed.wait_for(lock, commandWait, [&] { return control->opened; });
        failed = control->opened && control->failed;
    }
    if (!failed)
        return 0;
    stopWorker();
    m_shared->mode.store(DeviceMode::Stopped, std::memory_order_release);
    return 328;
}

std::uint32_t WaveDevice::record()
{
    reapFinished(false);
    const DeviceMode current = mode();
    if (current == DeviceMode::Recording)
        return 0;
    if (current == DeviceMode::Playing)
        return 302;
    m_shared->setProblem({});
    if (std::string why = m_backend->unreachable(); !why.empty()) {
        m_shared->setProblem(std::move(why));
        return 328;
    }
    auto& spool = m_shared->spool;
    if (spool.isOpen() ? (lengthBytes() == 0 && !spool.reset(m_format)) : !spool.create(m_format)) {
        m_shared->spoolFailed();
        return 286;
    }

    stopWorker(); // a playback that ended by itself leaves its thread to be joined
    auto shared = m_shared;
    auto backend = m_backend;
    const PcmFormat format = m_format;
    const std::size_t chunk = std::max<std::size_t>(m_backend->chunkBytes(m_format), m_format.blockAlign());
    shared->mode.store(DeviceMode::Recording, std::memory_order_release);
    shared->capturing.store(true, std::memory_order_release);
    shared->clipped.store(false, std::memory_order_relaxed);
    shared->peak.store(0, std::memory_order_relaxed);
    shared->soundAt.store(nowMs(), std::memory_order_relaxed);

    return launch([shared, backend, format, chunk](Control& control) {
        std::shared_ptr<CaptureStream> stream;
        if (!control.stop.load(std::memory_order_acquire))
            stream = backend->openCapture(format, control.stop);
        // Said before the open is told, so the command that waits for it can read why.
        if (!stream && !control.stop.load(std::memory_order_acquire))
            shared->setProblem("no sound input could be opened for this format");
        control.markOpened(stream, control.capture);
        if (stream) {
            {
                std::string name = stream->inputName();
                std::lock_guard lock(shared->inputMutex);
                shared->input = std::move(name);
            }
            bool metered = false;
            stream->setPace(restingPace);
            // Audio goes to the spool, and into the length, a chunk at a time: the length then
            // moves a few times a second, not at every packet the server sends.
            std::vector<std::byte> buffer(chunk);
            std::size_t filled = 0;
            bool ok = true;
            const auto flush = [&] {
                const std::uint64_t at = shared->length.load(std::memory_order_relaxed);
                ok = shared->spool.writeAt(at, std::span(buffer.data(), filled)) && shared->spool.commit(at + filled);
                if (ok)
                    shared->length.store(at + filled, std::memory_order_release);
                filled = 0;
            };
            // After a stop the input hands over what it still holds, then reads return 0: all of
            // that was captured before the stop, and is kept. A full disk ends the recording with
            // what it holds.
            while (ok) {
                const std::ptrdiff_t got = stream->read(std::span(buffer.data() + filled, chunk - filled));
                if (got < 0) {
                    shared->setProblem("the sound server stopped delivering audio (it was closed or restarted)");
                    break;
                }
                shared->measure(std::span(buffer.data() + filled, static_cast<std::size_t>(got)), format, true);
                filled += static_cast<std::size_t>(got);
                if (filled == chunk || (got == 0 && filled > 0))
                    flush();
                if (got == 0 && shared->metered() != metered) {
                    metered = !metered;
                    stream->setPace(metered ? meteredPace : restingPace);
                }
                if (got == 0 && control.stop.load(std::memory_order_acquire))
                    break;
            }
            if (ok && filled > 0)
                flush();
            if (!ok) {
                shared->spoolFailed();
                // What the file holds past the length never became part of the take.
                shared->spool.cutTo(shared->length.load(std::memory_order_acquire));
            }
        }
        control.release(stream, control.capture);
        shared->capturing.store(false, std::memory_order_release);
    });
}

void WaveDevice::stop()
{
    reapFinished(false);
    stopWorker();
    m_shared->mode.store(DeviceMode::Stopped, std::memory_order_release);
}

std::uint32_t WaveDevice::play(std::optional<std::uint64_t> fromByte)
{
    reapFinished(false);
    if (mode() == DeviceMode::Recording)
        return 302;
    const std::uint64_t length = lengthBytes();
    std::uint64_t from = fromByte.value_or(m_shared->position.load());
    if (from > length) {
        if (fromByte)
            return 282;
        from = 0;
    }
    if (from == length) {
        stop();
        m_shared->position.store(from);
        return 0;
    }
    if (!m_backend->unreachable().empty())
        return 328;

    stopWorker();
    auto shared = m_shared;
    auto backend = m_backend;
    const PcmFormat format = m_format;
    const std::size_t chunk = std::max<std::size_t>(m_backend->playbackChunkBytes(m_format), m_format.blockAlign());
    shared->position.store(from, std::memory_order_release);
    shared->mode.store(DeviceMode::Playing, std::memory_order_release);

    return launch([shared, backend, format, chunk, from, length](Control& control) {
        std::shared_ptr<PlaybackStream> stream;
        if (!control.stop.load(std::memory_order_acquire))
            stream = backend->openPlayback(format, control.stop);
        control.markOpened(stream, control.playback);
        if (stream) {
            std::vector<std::byte> buffer(chunk);
            std::uint64_t offset = from;
            bool failed = false;
            while (offset < length && !control.stop.load(std::memory_order_acquire)) {
                const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, length - offset));
                const std::ptrdiff_t got = shared->spool.readAt(offset, std::span(buffer.data(), want));
                if (got <= 0 || !stream->write(std::span(buffer.data(), static_cast<std::size_t>(got)))) {
                    failed = true;
                    break;
                }
                shared->measure(std::span(buffer.data(), static_cast<std::size_t>(got)), format, false);
                offset += static_cast<std::uint64_t>(got);
                if (control.stop.load(std::memory_order_acquire))
                    break; // the position is the next playback's now
                shared->position.store(offset, std::memory_order_release);
            }
            if (!failed)
                stream->drain(); // the last buffer reaches the speaker, unless a stop comes first
        }
        control.release(stream, control.playback);
    });
}

std::uint32_t WaveDevice::save(const std::filesystem::path& target)
{
    if (mode() == DeviceMode::Recording)
        stop();
    reapFinished(true); // the recording's last audio is in the spool
    const std::uint64_t bytes = lengthBytes();
    SpoolFile* spool = m_shared->spool.isOpen() ? &m_shared->spool : nullptr;
    m_saveError = writeWav(target, m_format, spool, bytes);
    if (m_saveError != 0)
        return 286;
    if (spool)
        spool->markSaved(bytes);
    return 0;
}

SoundLevel WaveDevice::level(bool look)
{
    SoundLevel level;
    Shared& shared = *m_shared;
    const DeviceMode now = mode();
    level.running = now != DeviceMode::Stopped;
    level.clipped = shared.clipped.load(std::memory_order_relaxed);
    if (look) {
        shared.lookedAt.store(nowMs(), std::memory_order_relaxed);
        const std::uint32_t peak = shared.peak.exchange(0, std::memory_order_relaxed);
        if (now != DeviceMode::Stopped)
            level.peak
                = peak == 0 ? -1.0f : static_cast<float>(std::min(peak - 1, fullScale)) / static_cast<float>(fullScale);
    }
    if (now == DeviceMode::Recording)
        level.quietMs = std::max<std::int64_t>(0, nowMs() - shared.soundAt.load(std::memory_order_relaxed));
    std::lock_guard lock(shared.inputMutex);
    level.input = shared.input;
    return level;
}

std::string WaveDevice::problem() const
{
    std::lock_guard lock(m_shared->problemMutex);
    return m_shared->problem;
}

std::string WaveDevice::notice()
{
    if (!m_shared->spool.takeRenamed())
        return {};
    return "the folder " + spoolFolder().string()
        + ", where the recording is kept safe while it is made, was removed. It was made again and the "
          "recording goes on in it, whole";
}

void WaveDevice::keepRecording()
{
    stopWorker();
    reapFinished(true); // the last audio the server held is in the spool
    m_shared->mode.store(DeviceMode::Stopped, std::memory_order_release);
    // A thread that is still finishing keeps writing into the file, which stays open until it ends.
    m_shared->spool.keep(lengthBytes(), /*close=*/m_finishing.empty());
}

void WaveDevice::syncRecording()
{
    if (m_shared->spool.isOpen())
        syncFile(m_shared->spool.descriptor());
}

} // namespace quorvel::platform
