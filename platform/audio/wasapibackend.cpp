// SPDX-License-Identifier: GPL-3.0-or-later
#include "wasapibackend.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <windows.h>

#include <audioclient.h>
#include <mmdeviceapi.h>
#include <wrl/client.h>

namespace quorvel::platform {

namespace {

using Microsoft::WRL::ComPtr;

constexpr REFERENCE_TIME hnsPerSecond = 10'000'000;

WAVEFORMATEX waveFormat(const PcmFormat& format)
{
    WAVEFORMATEX wave {};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = format.channels;
    wave.nSamplesPerSec = format.samplesPerSec;
    wave.wBitsPerSample = format.bitsPerSample;
    wave.nBlockAlign = static_cast<WORD>(format.blockAlign());
    wave.nAvgBytesPerSec = format.bytesPerSec();
    return wave;
}

// The performance counter, in the 100 ns units the engine counts its buffers in.
std::uint64_t nowHns()
{
    LARGE_INTEGER counter {};
    LARGE_INTEGER frequency {};
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(counter.QuadPart / frequency.QuadPart * hnsPerSecond
                                      + counter.QuadPart % frequency.QuadPart * hnsPerSecond / frequency.QuadPart);
}

// The engine's list of endpoints, made once and kept: the first one loads the audio system into
// the process (its driver, its connections), which can take a tenth of a second on a busy
// machine, and Record must not wait for that. The backend makes it on a thread of its own as
// soon as it exists, long before the first Record of a window that has just opened.
ComPtr<IMMDeviceEnumerator> engineDevices()
{
    static std::mutex mutex;
    // Never released: at the process's end the audio system is torn down without us.
    static IMMDeviceEnumerator* devices = nullptr;
    std::lock_guard lock(mutex);
    if (!devices) {
        // COM's multithreaded apartment for this thread, for as long as the process lives.
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, IID_PPV_ARGS(&devices));
    }
    return devices;
}

// Loads the audio system ahead of the first stream: the endpoints and a client on the capture
// endpoint, which is what a Record opens.
void warmUp()
{
    const auto devices = engineDevices();
    ComPtr<IMMDevice> endpoint;
    ComPtr<IAudioClient> client;
    WAVEFORMATEX* mix = nullptr;
    if (devices && SUCCEEDED(devices->GetDefaultAudioEndpoint(eCapture, eConsole, &endpoint))
        && SUCCEEDED(endpoint->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, &client))
        && SUCCEEDED(client->GetMixFormat(&mix)))
        ::CoTaskMemFree(mix);
}

// One stream on the engine: COM on this thread, the endpoint's client, and two events (the
// engine's, and ours for an interrupt).
class EngineStream
{
public:
    EngineStream()
        : m_com(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        , m_engineEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
        , m_wake(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }
    EngineStream(const EngineStream&) = delete;
    EngineStream& operator=(const EngineStream&) = delete;
    virtual ~EngineStream()
    {
        if (m_client)
            m_client->Stop();
        m_client.Reset();
        if (m_engineEvent)
            ::CloseHandle(m_engineEvent);
        if (m_wake)
            ::CloseHandle(m_wake);
        if (m_com)
            ::CoUninitialize();
    }

protected:
    // The engine's client on the default endpoint, in this format (or in 16-bit when it takes
    // no 8-bit, which the stream then converts). False when there is no endpoint or no format.
    bool open(EDataFlow flow, const PcmFormat& format, REFERENCE_TIME buffer)
    {
        if (!m_engineEvent || !m_wake)
            return false;
        ComPtr<IMMDeviceEnumerator> devices = engineDevices();
        ComPtr<IMMDevice> endpoint;
        if (!devices || FAILED(devices->GetDefaultAudioEndpoint(flow, eConsole, &endpoint)))
            return false;
        constexpr DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM
            | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
        for (const std::uint16_t bits : {format.bitsPerSample, std::uint16_t {16}}) {
            PcmFormat engine = format;
            engine.bitsPerSample = bits;
            const WAVEFORMATEX wave = waveFormat(engine);
            ComPtr<IAudioClient> client;
            if (FAILED(endpoint->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, &client)))
                return false;
            if (SUCCEEDED(client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, buffer, 0, &wave, nullptr))
                && SUCCEEDED(client->SetEventHandle(m_engineEvent)) && SUCCEEDED(client->GetBufferSize(&m_frames))) {
                m_client = client;
                m_endpoint = endpoint;
                m_engineFormat = engine;
                m_format = format;
                return true;
            }
        }
        return false;
    }

    // Waits for the engine, or an interrupt, at most `ms`.
    void wait(DWORD ms)
    {
        const HANDLE events[] {m_engineEvent, m_wake};
        ::WaitForMultipleObjects(2, events, FALSE, ms);
    }

    void wakeUp() { ::SetEvent(m_wake); }

    // The endpoint's name as the sound settings show it ("Microphone (USB Audio)"); empty when it
    // has none.
    std::string endpointName() const
    {
        // PKEY_Device_FriendlyName, whose definition would need the GUID library.
        static constexpr PROPERTYKEY friendlyName {
            {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
        ComPtr<IPropertyStore> properties;
        if (!m_endpoint || FAILED(m_endpoint->OpenPropertyStore(STGM_READ, &properties)))
            return {};
        PROPVARIANT name;
        PropVariantInit(&name);
        std::string text;
        if (SUCCEEDED(properties->GetValue(friendlyName, &name)) && name.vt == VT_LPWSTR && name.pwszVal) {
            const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, name.pwszVal, -1, nullptr, 0, nullptr, nullptr);
            if (bytes > 1) {
                text.resize(static_cast<std::size_t>(bytes));
                ::WideCharToMultiByte(CP_UTF8, 0, name.pwszVal, -1, text.data(), bytes, nullptr, nullptr);
                text.resize(static_cast<std::size_t>(bytes - 1));
            }
        }
        PropVariantClear(&name);
        return text;
    }

    bool m_com;
    HANDLE m_engineEvent;
    HANDLE m_wake;
    ComPtr<IMMDevice> m_endpoint;
    ComPtr<IAudioClient> m_client;
    UINT32 m_frames = 0;
    PcmFormat m_format;
    PcmFormat m_engineFormat;
};

class WasapiCapture final : public CaptureStream, private EngineStream
{
public:
    bool open(const PcmFormat& format)
    {
        // A second of room in the engine: a stalled reader loses nothing for that long.
        if (!EngineStream::open(eCapture, format, hnsPerSecond)
            || FAILED(m_client->GetService(__uuidof(IAudioCaptureClient), &m_capture)))
            return false;
        m_startedAt = nowHns();
        return SUCCEEDED(m_client->Start());
    }

    std::ptrdiff_t read(std::span<std::byte> buffer) override
    {
        const std::size_t align = m_format.blockAlign();
        buffer = buffer.first(buffer.size() / align * align);
        while (m_pendingAt == m_pending.size()) {
            const int took = takePacket();
            if (took < 0)
                return -1;
            if (took > 0)
                break;
            if (m_stopped)
                return 0;
            if (m_interrupted.load(std::memory_order_acquire)) {
                // The audio up to the stop's moment may still be on its way through the engine:
                // wait for it, a while, then end with what came.
                if (m_taken >= stopFrames() || nowHns() > m_interruptedAt.load() + hnsPerSecond / 2) {
                    m_stopped = true;
                    return 0;
                }
                wait(10);
                continue;
            }
            // Caught up: say so once, so what has come in is published, then wait for the engine.
            if (!m_saidCaughtUp) {
                m_saidCaughtUp = true;
                return 0;
            }
            wait(static_cast<DWORD>(m_pace.count()));
            m_saidCaughtUp = false;
        }
        const std::size_t n = std::min(buffer.size(), m_pending.size() - m_pendingAt);
        std::memcpy(buffer.data(), m_pending.data() + m_pendingAt, n);
        m_pendingAt += n;
        return static_cast<std::ptrdiff_t>(n);
    }

    void setPace(std::chrono::milliseconds gather) override { m_pace = gather; }
    std::string inputName() override { return endpointName(); }

    void interrupt() override
    {
        m_interruptedAt.store(nowHns(), std::memory_order_release);
        m_interrupted.store(true, std::memory_order_release);
        wakeUp();
    }

private:
    // How many frames the take holds at the stop: as many as the time from the start to the
    // stop. (The engine's own time stamps can't be trusted for this: some stamp a packet when it
    // is handed over, not when its audio was heard.)
    std::uint64_t stopFrames() const
    {
        const std::uint64_t stop = m_interruptedAt.load(std::memory_order_acquire);
        return stop > m_startedAt ? (stop - m_startedAt) * m_format.samplesPerSec / hnsPerSecond : 0;
    }

    // Moves one packet into m_pending, cut at the stop's frame once there is a stop: 1, 0 when
    // the engine has none (or the stop's frame is reached), -1 on failure.
    int takePacket()
    {
        UINT32 next = 0;
        if (FAILED(m_capture->GetNextPacketSize(&next)))
            return -1;
        if (next == 0)
            return 0;
        BYTE* data = nullptr;
        UINT32 frames = 0;
        DWORD flags = 0;
        const HRESULT got = m_capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
        if (FAILED(got))
            return -1;
        if (got == AUDCLNT_S_BUFFER_EMPTY || frames == 0) {
            m_capture->ReleaseBuffer(0);
            return 0; // announced, then gone: nothing to take yet
        }
        const bool stopping = m_interrupted.load(std::memory_order_acquire);
        std::uint64_t kept = frames;
        if (stopping) {
            const std::uint64_t stop = stopFrames();
            kept = m_taken >= stop ? 0 : std::min<std::uint64_t>(frames, stop - m_taken);
        }
        convert(data, static_cast<std::size_t>(kept), (flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0);
        m_capture->ReleaseBuffer(frames);
        m_taken += kept;
        if (kept == 0) {
            m_stopped = true; // the stop's frame is reached: what comes now is after it
            return 0;
        }
        return 1;
    }

    // The engine's frames as the take's: copied, silence filled in, or 16-bit made 8-bit.
    void convert(const BYTE* data, std::size_t frames, bool silent)
    {
        const std::size_t samples = frames * m_format.channels;
        m_pending.resize(samples * (m_format.bitsPerSample / 8));
        m_pendingAt = 0;
        const bool eight = m_format.bitsPerSample == 8;
        if (silent || !data) {
            std::memset(m_pending.data(), eight ? 0x80 : 0, m_pending.size());
        } else if (m_engineFormat.bitsPerSample == m_format.bitsPerSample) {
            std::memcpy(m_pending.data(), data, m_pending.size());
        } else {
            for (std::size_t i = 0; i < samples; ++i) {
                std::int16_t sample = 0;
                std::memcpy(&sample, data + 2 * i, 2);
                m_pending[i] = std::byte(static_cast<std::uint8_t>((sample >> 8) + 128));
            }
        }
    }

    ComPtr<IAudioCaptureClient> m_capture;
    std::vector<std::byte> m_pending;
    std::size_t m_pendingAt = 0;
    std::atomic<bool> m_interrupted {false};
    std::atomic<std::uint64_t> m_interruptedAt {0};
    std::uint64_t m_startedAt = 0;
    std::uint64_t m_taken = 0; // frames handed over
    bool m_stopped = false;
    bool m_saidCaughtUp = false;
    std::chrono::milliseconds m_pace {200};
};

class WasapiPlayback final : public PlaybackStream, private EngineStream
{
public:
    bool open(const PcmFormat& format, REFERENCE_TIME ahead)
    {
        return EngineStream::open(eRender, format, ahead)
            && SUCCEEDED(m_client->GetService(__uuidof(IAudioRenderClient), &m_render));
    }

    bool write(std::span<const std::byte> data) override
    {
        const std::size_t align = m_format.blockAlign();
        const std::size_t engineAlign = m_engineFormat.blockAlign();
        while (data.size() >= align) {
            if (m_interrupted.load(std::memory_order_acquire))
                return false;
            UINT32 padding = 0;
            if (FAILED(m_client->GetCurrentPadding(&padding)))
                return false;
            const UINT32 room = m_frames - padding;
            if (room == 0) {
                if (!start())
                    return false;
                wait(100);
                continue;
            }
            const UINT32 frames = static_cast<UINT32>(std::min<std::size_t>(room, data.size() / align));
            BYTE* out = nullptr;
            if (FAILED(m_render->GetBuffer(frames, &out)))
                return false;
            if (engineAlign == align) {
                std::memcpy(out, data.data(), frames * align);
            } else {
                // 8-bit unsigned made 16-bit signed for an engine that takes no 8-bit.
                for (std::size_t i = 0; i < std::size_t {frames} * m_format.channels; ++i) {
                    const auto sample = static_cast<std::int16_t>((std::to_integer<int>(data[i]) - 128) << 8);
                    std::memcpy(out + 2 * i, &sample, 2);
                }
            }
            if (FAILED(m_render->ReleaseBuffer(frames, 0)))
                return false;
            m_written += frames;
            data = data.subspan(frames * align);
        }
        return start();
    }

    void drain() override
    {
        // Played, not merely handed on: the engine's clock reaches the last frame written. (An
        // engine may hand its buffer on to another mixer long before that is heard.)
        if (!start())
            return;
        ComPtr<IAudioClock> clock;
        UINT64 frequency = 0;
        const bool timed = SUCCEEDED(m_client->GetService(__uuidof(IAudioClock), &clock))
            && SUCCEEDED(clock->GetFrequency(&frequency)) && frequency > 0;
        const std::uint64_t deadline = nowHns() + (m_written / m_format.samplesPerSec + 2) * hnsPerSecond;
        while (!m_interrupted.load(std::memory_order_acquire) && nowHns() < deadline) {
            UINT32 padding = 0;
            if (FAILED(m_client->GetCurrentPadding(&padding)))
                break;
            UINT64 position = 0;
            if (padding == 0
                && (!timed || FAILED(clock->GetPosition(&position, nullptr))
                    || position * m_format.samplesPerSec / frequency >= m_written))
                break;
            wait(padding == 0 ? 20 : 100);
        }
    }

    void interrupt() override
    {
        m_interrupted.store(true, std::memory_order_release);
        wakeUp();
    }

private:
    bool start()
    {
        if (!m_started)
            m_started = SUCCEEDED(m_client->Start());
        return m_started;
    }

    ComPtr<IAudioRenderClient> m_render;
    std::uint64_t m_written = 0; // frames handed to the engine
    std::atomic<bool> m_interrupted {false};
    bool m_started = false;
};

} // namespace

std::size_t WasapiBackend::chunkBytes(const PcmFormat& format) const
{
    // A quarter of a second, as on Linux: the size display and the size rule move in these steps.
    return std::max<std::size_t>(format.samplesPerSec / 4, 1) * format.blockAlign();
}

std::size_t WasapiBackend::playbackChunkBytes(const PcmFormat& format) const
{
    return format.samplesPerSec / 10 * format.blockAlign(); // 100 ms
}

std::unique_ptr<CaptureStream> WasapiBackend::openCapture(const PcmFormat& format, const OpenCancelled& cancelled)
{
    auto stream = std::make_unique<WasapiCapture>();
    if (cancelled.load() || !stream->open(format))
        return nullptr;
    return stream;
}

std::unique_ptr<PlaybackStream> WasapiBackend::openPlayback(const PcmFormat& format, const OpenCancelled& cancelled)
{
    auto stream = std::make_unique<WasapiPlayback>();
    if (cancelled.load() || !stream->open(format, 4 * hnsPerSecond / 10)) // 400 ms ahead of the speaker
        return nullptr;
    return stream;
}

WasapiBackend::WasapiBackend()
{
    std::thread(warmUp).detach();
}

std::shared_ptr<AudioBackend> systemAudioBackend()
{
    return std::make_shared<WasapiBackend>();
}

} // namespace quorvel::platform
