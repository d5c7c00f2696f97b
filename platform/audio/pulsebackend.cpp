#include "pulsebackend.h"

#include <algorithm>
#include <chrono>
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
            if (pa_stream_readable_size(m_stream) > 0) {
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
                break;
            }
            if (pa_mainloop_iterate(m_loop, 1, nullptr) < 0)
                return -1;
        }
        const std::size_t n = std::min(buffer.size(), m_pending.size() - m_pendingAt);
        std::memcpy(buffer.data(), m_pending.data() + m_pendingAt, n);
        m_pendingAt += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    // Runs the loop until `done`, for at most a few seconds: a server that doesn't answer is no server.
    template<class Done> bool runUntil(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            if (pa_mainloop_prepare(m_loop, 50000) < 0 || pa_mainloop_poll(m_loop) < 0
                || pa_mainloop_dispatch(m_loop) < 0)
                return false;
        }
        return true;
    }

    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    std::vector<std::byte> m_pending;
    std::size_t m_pendingAt = 0;
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
