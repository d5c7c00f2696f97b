#include "pulsebackend.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>
#include <pulse/stream.h>

namespace quorvel::platform {

namespace {

pa_sample_spec sampleSpec(const PcmFormat& format)
{
    pa_sample_spec sampleFormat {};
    sampleFormat.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    sampleFormat.rate = format.samplesPerSec;
    sampleFormat.channels = static_cast<std::uint8_t>(format.channels);
    return sampleFormat;
}

// Capture on a plain, single-threaded libpulse main loop that the reading thread drives itself,
// as parecord does: the audio never has to be handed from one thread to another, which costs far
// more than the audio itself on a virtual machine. (pa_simple wakes two threads per fragment.)
//
// The server sends a packet every few tens of milliseconds. Rather than wake for each, the thread
// naps a quarter of a second and then takes in everything that came meanwhile; while it sleeps
// the audio waits in the server, which holds seconds of it. The server's channel to us holds less
// than a nap's worth at the higher rates, so after each nap the thread keeps taking packets until
// one keeps it waiting: then it has everything there was and may nap again.
class PulseCapture final : public CaptureStream
{
public:
    PulseCapture() = default;
    ~PulseCapture() override
    {
        if (m_stream) {
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
        }
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        if (m_loop)
            pa_mainloop_free(m_loop);
    }

    bool open(const PcmFormat& format, std::size_t fragmentBytes)
    {
        m_loop = pa_mainloop_new();
        if (!m_loop)
            return false;
        m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Quorvel");
        if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
            return false;
        const auto contextUp = [this] {
            return pa_context_get_state(m_context);
        };
        if (!runUntil([&] { return contextUp() == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(contextUp()); })
            || contextUp() != PA_CONTEXT_READY)
            return false;

        const pa_sample_spec sampleFormat = sampleSpec(format);
        m_stream = pa_stream_new(m_context, "Recording", &sampleFormat, nullptr);
        if (!m_stream)
            return false;
        pa_buffer_attr attr {};
        attr.maxlength = static_cast<std::uint32_t>(-1); // let the server hold as much as it can
        attr.fragsize = static_cast<std::uint32_t>(fragmentBytes);
        attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
        // No device name: the server's default source, the one the user chose.
        if (pa_stream_connect_record(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY) < 0)
            return false;
        const auto streamUp = [this] {
            return pa_stream_get_state(m_stream);
        };
        return runUntil([&] { return streamUp() == PA_STREAM_READY || !PA_STREAM_IS_GOOD(streamUp()); })
            && streamUp() == PA_STREAM_READY;
    }

    std::ptrdiff_t read(std::span<std::byte> buffer) override
    {
        while (m_pending.size() == m_pendingAt) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))
                || !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
                return -1;
            const int took = takePacket();
            if (took < 0)
                return -1;
            if (took > 0)
                break;
            if (m_interrupted.load(std::memory_order_acquire)) {
                if (m_drainedForStop)
                    return 0;
                const int more = fetchLeftover();
                if (more < 0)
                    return -1;
                m_drainedForStop = more == 0;
                continue;
            }
            if (m_caughtUp) {
                nap();
                m_caughtUp = false;
                if (!fetch(0))
                    return -1;
                continue;
            }
            // Wait for the next packet. One that comes at once was already waiting in the server.
            const auto asked = Clock::now();
            if (!fetch(-1))
                return -1;
            m_caughtUp = Clock::now() - asked >= liveEdgeWait;
        }
        const std::size_t n = std::min(buffer.size(), m_pending.size() - m_pendingAt);
        std::memcpy(buffer.data(), m_pending.data() + m_pendingAt, n);
        m_pendingAt += n;
        return static_cast<std::ptrdiff_t>(n);
    }

    void interrupt() override
    {
        {
            std::lock_guard lock(m_napMutex);
            m_interrupted.store(true, std::memory_order_release);
        }
        m_napOver.notify_all();
        pa_mainloop_wakeup(m_loop);
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto napLength = std::chrono::milliseconds(250);
    static constexpr auto liveEdgeWait = std::chrono::milliseconds(5);

    // Moves one packet from the stream into m_pending: 1, 0 when the stream has none, -1 on failure.
    int takePacket()
    {
        while (pa_stream_readable_size(m_stream) > 0) {
            const void* data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(m_stream, &data, &bytes) < 0)
                return -1;
            if (bytes == 0)
                continue;
            m_pending.resize(bytes);
            m_pendingAt = 0;
            if (data)
                std::memcpy(m_pending.data(), data, bytes);
            else
                std::fill(m_pending.begin(), m_pending.end(), std::byte {0}); // a hole: keep the time
            pa_stream_drop(m_stream);
            return 1;
        }
        return 0;
    }

    // One round of the main loop, waiting at most `timeoutMicros` (-1: until something happens).
    // False when the connection has failed.
    bool fetch(int timeoutMicros, int* dispatched = nullptr)
    {
        if (pa_mainloop_prepare(m_loop, timeoutMicros) < 0 || pa_mainloop_poll(m_loop) < 0)
            return false;
        const int n = pa_mainloop_dispatch(m_loop);
        if (dispatched)
            *dispatched = n;
        return n >= 0;
    }

    void nap()
    {
        std::unique_lock lock(m_napMutex);
        m_napOver.wait_for(lock, napLength, [this] { return m_interrupted.load(std::memory_order_acquire); });
    }

    // The recording stops: take in what the server already holds for us, the packets still queued
    // behind the ones we have (they come at once), but not the audio that comes after the stop.
    // 1: a packet came, 0: nothing more came, -1: the connection failed.
    int fetchLeftover()
    {
        const auto now = Clock::now();
        if (m_leftoverDeadline == Clock::time_point {})
            m_leftoverDeadline = now + std::chrono::milliseconds(500);
        while (Clock::now() < m_leftoverDeadline) {
            const auto asked = Clock::now();
            int dispatched = 0;
            if (!fetch(static_cast<int>(std::chrono::microseconds(liveEdgeWait).count()), &dispatched))
                return -1;
            if (pa_stream_readable_size(m_stream) > 0)
                return 1;
            // A wake-up that brought nothing (the stop's own, for one) is not yet an answer.
            if (dispatched == 0 && Clock::now() - asked >= liveEdgeWait - std::chrono::milliseconds(1))
                return 0;
        }
        return 0;
    }

    // Runs the loop until `done`, for at most a few seconds: a server that doesn't answer is no server.
    template<class Done> bool runUntil(Done done)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (Clock::now() > deadline)
                return false;
            if (!fetch(50000))
                return false;
        }
        return true;
    }

    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    std::vector<std::byte> m_pending;
    std::size_t m_pendingAt = 0;
    bool m_caughtUp = false;
    bool m_drainedForStop = false;
    Clock::time_point m_leftoverDeadline {};
    std::atomic<bool> m_interrupted {false};
    std::mutex m_napMutex;
    std::condition_variable m_napOver;
};

class PulsePlayback final : public PlaybackStream
{
public:
    explicit PulsePlayback(pa_simple* stream)
        : m_stream(stream)
    {
    }
    ~PulsePlayback() override
    {
        int error = 0;
        pa_simple_flush(m_stream, &error);
        pa_simple_free(m_stream);
    }

    bool write(std::span<const std::byte> data) override
    {
        int error = 0;
        return pa_simple_write(m_stream, data.data(), data.size(), &error) >= 0;
    }

    std::uint64_t pendingMicros() override
    {
        int error = 0;
        const pa_usec_t latency = pa_simple_get_latency(m_stream, &error);
        return latency == static_cast<pa_usec_t>(-1) ? 0 : latency;
    }

private:
    pa_simple* m_stream;
};

} // namespace

std::size_t PulseBackend::chunkBytes(const PcmFormat& format) const
{
    // A second: the spool and the length move once a second, like the clock, so the size display
    // repaints once a second while recording, which is most of what recording costs a shown
    // window. Stop still keeps every byte read before it.
    const std::size_t frames = format.samplesPerSec;
    return frames * format.blockAlign();
}

std::size_t PulseBackend::playbackChunkBytes(const PcmFormat& format) const
{
    return format.samplesPerSec / 10 * format.blockAlign(); // 100 ms
}

std::unique_ptr<CaptureStream> PulseBackend::openCapture(const PcmFormat& format)
{
    auto stream = std::make_unique<PulseCapture>();
    // The server hands the audio over at least every 100 ms, whatever the chunk: what it still
    // holds when the recording stops never reaches the spool, so this bounds that loss.
    const std::size_t fragment = std::max<std::size_t>(format.samplesPerSec / 10, 1) * format.blockAlign();
    if (!stream->open(format, fragment))
        return nullptr;
    return stream;
}

std::unique_ptr<PlaybackStream> PulseBackend::openPlayback(const PcmFormat& format)
{
    const pa_sample_spec sampleFormat = sampleSpec(format);
    pa_buffer_attr attr {};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(playbackChunkBytes(format) * 4); // 400 ms ahead of the speaker
    attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    int error = 0;
    pa_simple* stream = pa_simple_new(nullptr, "Quorvel", PA_STREAM_PLAYBACK, nullptr, "Playback", &sampleFormat,
                                      nullptr, &attr, &error);
    if (!stream)
        return nullptr;
    return std::make_unique<PulsePlayback>(stream);
}

namespace {
std::mutex g_backendMutex;
std::shared_ptr<AudioBackend> g_backend;
} // namespace

std::shared_ptr<AudioBackend> audioBackend()
{
    std::lock_guard lock(g_backendMutex);
    if (!g_backend)
        g_backend = std::make_shared<PulseBackend>();
    return g_backend;
}

void setAudioBackend(std::shared_ptr<AudioBackend> backend)
{
    std::lock_guard lock(g_backendMutex);
    g_backend = std::move(backend);
}

} // namespace quorvel::platform
