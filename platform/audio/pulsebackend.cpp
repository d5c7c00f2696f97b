#include "pulsebackend.h"

#include <mutex>

#include <pulse/error.h>
#include <pulse/simple.h>

namespace quorvel::platform {

namespace {

pa_sample_spec sampleSpec(const PcmFormat& format)
{
    pa_sample_spec spec {};
    spec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = format.samplesPerSec;
    spec.channels = static_cast<std::uint8_t>(format.channels);
    return spec;
}

class PulseCapture final : public CaptureStream
{
public:
    explicit PulseCapture(pa_simple* stream)
        : m_stream(stream)
    {
    }
    ~PulseCapture() override { pa_simple_free(m_stream); }

    std::ptrdiff_t read(std::span<std::byte> buffer) override
    {
        int error = 0;
        if (pa_simple_read(m_stream, buffer.data(), buffer.size(), &error) < 0)
            return -1;
        return static_cast<std::ptrdiff_t>(buffer.size());
    }

private:
    pa_simple* m_stream;
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
    // 200 ms: five wake-ups a second keep the recorder as light as parecord, and the length still
    // grows visibly several times a second.
    const std::size_t frames = format.samplesPerSec / 5;
    return frames * format.blockAlign();
}

std::unique_ptr<CaptureStream> PulseBackend::openCapture(const PcmFormat& format)
{
    const pa_sample_spec spec = sampleSpec(format);
    pa_buffer_attr attr {};
    attr.maxlength = static_cast<std::uint32_t>(-1); // let the server hold as much as it can
    attr.fragsize = static_cast<std::uint32_t>(chunkBytes(format));
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    int error = 0;
    pa_simple* stream
        = pa_simple_new(nullptr, "Quorvel", PA_STREAM_RECORD, nullptr, "Recording", &spec, nullptr, &attr, &error);
    if (!stream)
        return nullptr;
    return std::make_unique<PulseCapture>(stream);
}

std::unique_ptr<PlaybackStream> PulseBackend::openPlayback(const PcmFormat& format)
{
    const pa_sample_spec spec = sampleSpec(format);
    pa_buffer_attr attr {};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(chunkBytes(format) * 4); // 800 ms ahead of the speaker
    attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    int error = 0;
    pa_simple* stream
        = pa_simple_new(nullptr, "Quorvel", PA_STREAM_PLAYBACK, nullptr, "Playback", &spec, nullptr, &attr, &error);
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
