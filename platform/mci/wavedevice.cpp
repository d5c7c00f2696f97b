#include "wavedevice.h"

#include "spoolfile.h"
#include "wavwriter.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel::platform {

using namespace std::chrono_literals;

// What the device and its audio thread share. The thread keeps it alive, so a thread that had to
// be abandoned (a sound server that stopped answering) never touches a destroyed device.
struct WaveDevice::Shared
{
    SpoolFile spool;
    std::atomic<std::uint64_t> length {0};
    std::atomic<std::uint64_t> position {0};
    std::atomic<DeviceMode> mode {DeviceMode::Stopped};
    // Only the worker of the current generation may set the mode when it ends by itself.
    std::atomic<std::uint64_t> generation {0};
};

struct WaveDevice::Worker
{
    struct Control
    {
        std::atomic<bool> stop {false};
        std::atomic<bool> abandoned {false};
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;

        void markDone()
        {
            std::lock_guard lock(mutex);
            done = true;
            finished.notify_all();
        }
    };

    std::thread thread;
    std::shared_ptr<Control> control = std::make_shared<Control>();
    std::shared_ptr<CaptureStream> capture; // while recording: told when the recording stops
};

WaveDevice::WaveDevice(std::shared_ptr<AudioBackend> backend)
    : m_backend(std::move(backend))
    , m_shared(std::make_shared<Shared>())
{
}

WaveDevice::~WaveDevice()
{
    stopWorker();
}

bool WaveDevice::canChangeFormat() const
{
    return mode() != DeviceMode::Recording && lengthBytes() == 0;
}

DeviceMode WaveDevice::mode() const
{
    return m_shared->mode.load(std::memory_order_acquire);
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
    auto control = m_worker->control;
    control->stop.store(true, std::memory_order_release);
    if (m_worker->capture)
        m_worker->capture->interrupt();
    bool done = false;
    {
        std::unique_lock lock(control->mutex);
        // A read or write returns within one chunk; a server that hangs longer is left behind.
        done = control->finished.wait_for(lock, 2s, [&] { return control->done; });
    }
    if (done) {
        m_worker->thread.join();
    } else {
        control->abandoned.store(true, std::memory_order_release);
        m_worker->thread.detach();
    }
    m_worker.reset();
}

std::uint32_t WaveDevice::record()
{
    const DeviceMode current = mode();
    if (current == DeviceMode::Recording)
        return 0;
    if (current == DeviceMode::Playing)
        return 302;

    std::shared_ptr<CaptureStream> stream = m_backend->openCapture(m_format);
    if (!stream)
        return 328;
    if (!m_shared->spool.isOpen() && !m_shared->spool.create())
        return 328;

    stopWorker(); // a playback that ended by itself leaves its thread to be joined
    auto shared = m_shared;
    const std::uint64_t generation = shared->generation.load();
    const std::size_t chunk = std::max<std::size_t>(m_backend->chunkBytes(m_format), m_format.blockAlign());
    shared->mode.store(DeviceMode::Recording, std::memory_order_release);

    m_worker = std::make_unique<Worker>();
    m_worker->capture = stream;
    auto control = m_worker->control;
    m_worker->thread = std::thread([shared, control, generation, chunk, stream = std::move(stream)] {
        // Audio goes to the spool, and into the length, a chunk at a time: the length then moves a
        // few times a second, not at every packet the server sends.
        std::vector<std::byte> buffer(chunk);
        std::size_t filled = 0;
        bool ok = true;
        const auto flush = [&] {
            const std::uint64_t at = shared->length.load(std::memory_order_relaxed);
            ok = shared->spool.writeAt(at, std::span(buffer.data(), filled));
            if (ok)
                shared->length.store(at + filled, std::memory_order_release);
            filled = 0;
        };
        // After a stop the input hands over what it still holds, then reads return 0: all of that
        // was captured before the stop, and is kept.
        while (ok) {
            const std::ptrdiff_t got = stream->read(std::span(buffer.data() + filled, chunk - filled));
            if (got < 0 || control->abandoned.load(std::memory_order_acquire))
                break;
            filled += static_cast<std::size_t>(got);
            // A full chunk, or an input with nothing more for now: publish what there is.
            if (filled == chunk || (got == 0 && filled > 0))
                flush();
            if (got == 0 && control->stop.load(std::memory_order_acquire))
                break;
        }
        if (ok && filled > 0 && !control->abandoned.load(std::memory_order_acquire))
            flush();
        if (shared->generation.load(std::memory_order_acquire) == generation)
            shared->mode.store(DeviceMode::Stopped, std::memory_order_release);
        control->markDone();
    });
    return 0;
}

void WaveDevice::stop()
{
    stopWorker();
    m_shared->mode.store(DeviceMode::Stopped, std::memory_order_release);
}

std::uint32_t WaveDevice::play(std::optional<std::uint64_t> fromByte)
{
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

    auto stream = m_backend->openPlayback(m_format);
    if (!stream)
        return 328;

    stopWorker();
    auto shared = m_shared;
    const std::uint64_t generation = shared->generation.load();
    const std::size_t chunk = std::max<std::size_t>(m_backend->playbackChunkBytes(m_format), m_format.blockAlign());
    shared->position.store(from, std::memory_order_release);
    shared->mode.store(DeviceMode::Playing, std::memory_order_release);

    m_worker = std::make_unique<Worker>();
    auto control = m_worker->control;
    m_worker->thread = std::thread([shared, control, generation, chunk, from, length, stream = std::move(stream)] {
        std::vector<std::byte> buffer(chunk);
        std::uint64_t offset = from;
        bool failed = false;
        while (offset < length && !control->stop.load(std::memory_order_acquire)) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, length - offset));
            const std::ptrdiff_t got = shared->spool.readAt(offset, std::span(buffer.data(), want));
            if (got <= 0 || !stream->write(std::span(buffer.data(), static_cast<std::size_t>(got)))) {
                failed = true;
                break;
            }
            offset += static_cast<std::uint64_t>(got);
            shared->position.store(offset, std::memory_order_release);
        }
        if (!failed) {
            // Let the last buffer reach the speaker, still listening for a stop.
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(stream->pendingMicros());
            while (!control->stop.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(5ms);
        }
        if (shared->generation.load(std::memory_order_acquire) == generation)
            shared->mode.store(DeviceMode::Stopped, std::memory_order_release);
        control->markDone();
    });
    return 0;
}

std::uint32_t WaveDevice::save(const std::filesystem::path& target)
{
    if (mode() == DeviceMode::Recording)
        stop();
    const std::uint64_t bytes = lengthBytes();
    const SpoolFile* spool = m_shared->spool.isOpen() ? &m_shared->spool : nullptr;
    return writeWav(target, m_format, spool, bytes) ? 0 : 286;
}

} // namespace quorvel::platform
