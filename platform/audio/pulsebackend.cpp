// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulsebackend.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <cerrno>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>
#include <pulse/timeval.h>

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

using Clock = std::chrono::steady_clock;

// A connection to the server on a plain, single-threaded libpulse main loop that the stream's own
// thread drives, as parecord does: the audio never has to be handed from one thread to another,
// which costs far more than the audio itself on a virtual machine. (libpulse's simple API wakes two
// threads per fragment.) Connecting gives up when the device cancels, or after a few seconds of a server
// that does not answer.
class PulseConnection
{
public:
    PulseConnection() = default;
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;
    ~PulseConnection()
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

protected:
    bool connect(const PcmFormat& format, const char* name, const OpenCancelled& cancelled)
    {
        m_loop = pa_mainloop_new();
        if (!m_loop)
            return false;
        // A server that has just come back (from a stop, from a load that starved it) takes new
        // connections only as fast as it gets round to them, and its queue of them is short: one
        // turned away is tried again, until the device cancels or a few seconds have passed.
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!connectContext(cancelled)) {
            const bool turnedAway = m_context && pa_context_errno(m_context) == PA_ERR_CONNECTIONREFUSED;
            if (m_context) {
                pa_context_disconnect(m_context);
                pa_context_unref(m_context);
                m_context = nullptr;
            }
            if (!turnedAway || Clock::now() > deadline || cancelled.load(std::memory_order_acquire))
                return false;
            fetch(20000); // a pause the device's stop cuts short
        }
        const pa_sample_spec sampleFormat = sampleSpec(format);
        m_stream = pa_stream_new(m_context, name, &sampleFormat, nullptr);
        return m_stream != nullptr;
    }

    bool waitUntilReady(const OpenCancelled& cancelled)
    {
        const auto streamUp = [this] {
            return pa_stream_get_state(m_stream);
        };
        return runUntil([&] { return streamUp() == PA_STREAM_READY || !PA_STREAM_IS_GOOD(streamUp()); }, cancelled)
            && streamUp() == PA_STREAM_READY;
    }

    bool good() const
    {
        return PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)) && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context));
    }

    // One round of the main loop, waiting at most `timeoutMicros` (-1: until something happens or
    // wakeUp()). False when the connection has failed.
    bool fetch(int timeoutMicros, int* dispatched = nullptr)
    {
        if (pa_mainloop_prepare(m_loop, timeoutMicros) < 0 || pa_mainloop_poll(m_loop) < 0)
            return false;
        const int n = pa_mainloop_dispatch(m_loop);
        if (dispatched)
            *dispatched = n;
        return n >= 0;
    }

    // Any thread: a fetch that waits returns.
    void wakeUp() { pa_mainloop_wakeup(m_loop); }

    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;

private:
    bool connectContext(const OpenCancelled& cancelled)
    {
        m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Quorvel");
        if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        const auto contextUp = [this] {
            return pa_context_get_state(m_context);
        };
        return runUntil([&] { return contextUp() == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(contextUp()); }, cancelled)
            && contextUp() == PA_CONTEXT_READY;
    }

    template<class Done> bool runUntil(Done done, const OpenCancelled& cancelled)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (Clock::now() > deadline || cancelled.load(std::memory_order_acquire))
                return false;
            if (!fetch(20000))
                return false;
        }
        return true;
    }
};

// Capture. The server sends a packet every few tens of milliseconds. Rather than wake for each,
// the thread naps a fifth of a second (less while a level meter follows it) and then takes in everything that came
// meanwhile; while it sleeps the audio waits in the server, which holds seconds of it. The server's channel to us holds
// less than a nap's worth at the higher rates, so after each nap the thread keeps taking packets until one keeps it
// waiting: then it has everything there was, says so with a read of 0 (the device publishes what it has), and may nap
// again.
class PulseCapture final : public CaptureStream, PulseConnection
{
public:
    bool open(const PcmFormat& format, std::size_t fragmentBytes, const OpenCancelled& cancelled)
    {
        if (!connect(format, "Recording", cancelled))
            return false;
        pa_buffer_attr attr {};
        attr.maxlength = static_cast<std::uint32_t>(-1); // let the server hold as much as it can
        attr.fragsize = static_cast<std::uint32_t>(fragmentBytes);
        attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
        // No device name: the server's default source, the one the user chose.
        if (pa_stream_connect_record(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY) < 0)
            return false;
        return waitUntilReady(cancelled);
    }

    std::ptrdiff_t read(std::span<std::byte> buffer) override
    {
        while (m_pending.size() == m_pendingAt) {
            if (!good())
                return -1;
            if (m_interrupted.load(std::memory_order_acquire)) {
                const int took = takeLeftover();
                if (took <= 0)
                    return took;
                break;
            }
            const int took = takePacket();
            if (took < 0)
                return -1;
            if (took > 0)
                break;
            if (m_caughtUp) {
                // Caught up: say so once, so what has come in is published, then nap.
                if (!m_saidCaughtUp) {
                    m_saidCaughtUp = true;
                    return 0;
                }
                nap();
                m_caughtUp = false;
                m_saidCaughtUp = false;
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

    void setPace(std::chrono::milliseconds gather) override { m_nap = gather; }

    // Asks the server what the source the stream records from is called (the name the sound
    // settings show), once; a server that does not say within a second leaves it unnamed.
    std::string inputName() override
    {
        if (m_inputName)
            return *m_inputName;
        m_inputName.emplace();
        const char* source = pa_stream_get_device_name(m_stream);
        if (!source)
            return {};
        struct Answer
        {
            bool came = false;
            std::string description;
        } answer;
        pa_operation* operation = pa_context_get_source_info_by_name(
            m_context, source,
            [](pa_context*, const pa_source_info* info, int eol, void* data) {
                auto* answer = static_cast<Answer*>(data);
                if (eol != 0) {
                    answer->came = true;
                    return;
                }
                if (info && info->description)
                    answer->description = info->description;
            },
            &answer);
        if (!operation)
            return {};
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        // Packets that come meanwhile wait in the stream for the next read.
        while (!answer.came && Clock::now() < deadline && fetch(20000))
            ;
        pa_operation_cancel(operation);
        pa_operation_unref(operation);
        *m_inputName = answer.description;
        return *m_inputName;
    }

    void interrupt() override
    {
        {
            std::lock_guard lock(m_napMutex);
            pa_gettimeofday(&m_stoppedAt);
            m_interrupted.store(true, std::memory_order_release);
        }
        m_napOver.notify_all();
        wakeUp();
    }

private:
    static constexpr auto liveEdgeWait = std::chrono::milliseconds(5);

    // Moves one packet from the stream into m_pending, at most `limit` bytes of it: 1, 0 when the
    // stream has none, -1 on failure.
    int takePacket(std::uint64_t limit = UINT64_MAX)
    {
        while (pa_stream_readable_size(m_stream) > 0) {
            const void* data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(m_stream, &data, &bytes) < 0)
                return -1;
            if (bytes == 0)
                continue;
            const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, limit));
            m_pending.resize(kept);
            m_pendingAt = 0;
            if (data)
                std::memcpy(m_pending.data(), data, kept);
            else
                std::fill(m_pending.begin(), m_pending.end(), std::byte {0}); // a hole: keep the time
            pa_stream_drop(m_stream);
            m_taken += kept;
            return kept > 0 ? 1 : 0;
        }
        return 0;
    }

    void nap()
    {
        std::unique_lock lock(m_napMutex);
        m_napOver.wait_for(lock, m_nap, [this] { return m_interrupted.load(std::memory_order_acquire); });
    }

    // The recording stops. The take ends at the moment of the stop: the server tells how much it
    // had captured for us when it answered, and the time since the stop is taken off that. Until
    // the packets up to there have come (a server may send them a fragment later, and on a busy
    // machine later still) the reads wait for them; what came after the stop is left out.
    // 1: a packet was taken, 0: the take is complete, -1: the connection failed.
    int takeLeftover()
    {
        if (m_leftoverDeadline == Clock::time_point {}) {
            m_leftoverDeadline = Clock::now() + std::chrono::seconds(1);
            m_stopAt = stopPosition();
        }
        if (!m_stopAt)
            return takeLeftoverUnmeasured();
        while (m_taken < *m_stopAt) {
            const int took = takePacket(*m_stopAt - m_taken);
            if (took != 0)
                return took;
            const auto left = m_leftoverDeadline - Clock::now();
            if (left <= Clock::duration::zero())
                return 0;
            if (!fetch(static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(left).count())))
                return -1;
        }
        return 0;
    }

    // Where the take ends, in bytes of the stream, or nothing when the server does not say.
    std::optional<std::uint64_t> stopPosition()
    {
        struct Answer
        {
            bool came = false;
            bool ok = false;
        } answer;
        pa_operation* operation = pa_stream_update_timing_info(
            m_stream,
            [](pa_stream*, int success, void* data) {
                auto* answer = static_cast<Answer*>(data);
                answer->came = true;
                answer->ok = success != 0;
            },
            &answer);
        if (!operation)
            return std::nullopt;
        while (!answer.came && Clock::now() < m_leftoverDeadline) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(m_leftoverDeadline - Clock::now());
            if (!fetch(static_cast<int>(std::max<std::int64_t>(left.count(), 0))))
                break;
        }
        if (!answer.came)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
        const pa_timing_info* timing = answer.ok ? pa_stream_get_timing_info(m_stream) : nullptr;
        if (!timing || timing->write_index_corrupt || timing->write_index < 0)
            return std::nullopt;
        const pa_sample_spec* streamFormat = pa_stream_get_sample_spec(m_stream);
        // Captured when the server answered: what it has put in our stream, and what the input
        // still held on its way there; less the time from the stop to the answer.
        const auto usec = [](std::uint64_t value) {
            return static_cast<std::int64_t>(value);
        };
        const std::int64_t apart = usec(pa_timeval_diff(&timing->timestamp, &m_stoppedAt));
        const std::int64_t sinceStop = pa_timeval_cmp(&timing->timestamp, &m_stoppedAt) >= 0 ? apart : -apart;
        const std::int64_t captured
            = usec(pa_bytes_to_usec(static_cast<std::uint64_t>(timing->write_index), streamFormat))
            + usec(timing->source_usec) - sinceStop;
        const std::uint64_t at
            = pa_usec_to_bytes(static_cast<pa_usec_t>(std::max<std::int64_t>(captured, 0)), streamFormat);
        // Past what came there can be no more than the server holds for us (a busy machine may have
        // left that much waiting), and a second of audio still on its way; an answer beyond is not
        // believed.
        const pa_buffer_attr* buffer = pa_stream_get_buffer_attr(m_stream);
        const std::uint64_t held = buffer ? buffer->maxlength : 0;
        if (at > m_taken + held + pa_usec_to_bytes(PA_USEC_PER_SEC, streamFormat))
            return std::nullopt;
        return std::max(at, m_taken);
    }

    // Without the server's answer: take what it already holds for us, the packets still queued
    // behind the ones we have (they come at once), but not the audio that comes after the stop.
    int takeLeftoverUnmeasured()
    {
        while (true) {
            const int took = takePacket();
            if (took != 0 || m_drainedForStop)
                return took;
            if (Clock::now() >= m_leftoverDeadline)
                return 0;
            const auto asked = Clock::now();
            int dispatched = 0;
            if (!fetch(static_cast<int>(std::chrono::microseconds(liveEdgeWait).count()), &dispatched))
                return -1;
            // A wake-up that brought nothing (the stop's own, for one) is not yet an answer.
            if (pa_stream_readable_size(m_stream) == 0 && dispatched == 0
                && Clock::now() - asked >= liveEdgeWait - std::chrono::milliseconds(1))
                m_drainedForStop = true;
        }
    }

    std::vector<std::byte> m_pending;
    std::size_t m_pendingAt = 0;
    bool m_caughtUp = false;
    bool m_saidCaughtUp = false;
    bool m_drainedForStop = false;
    std::uint64_t m_taken = 0;
    timeval m_stoppedAt {};
    std::optional<std::uint64_t> m_stopAt;
    Clock::time_point m_leftoverDeadline {};
    std::atomic<bool> m_interrupted {false};
    std::chrono::milliseconds m_nap {200};
    std::mutex m_napMutex;
    std::condition_variable m_napOver;
    std::optional<std::string> m_inputName;
};

// Playback, a few hundred milliseconds ahead of the speaker: a write waits on the main loop until
// the server wants more, and a stop wakes it at once.
class PulsePlayback final : public PlaybackStream, PulseConnection
{
public:
    bool open(const PcmFormat& format, std::size_t aheadBytes, const OpenCancelled& cancelled)
    {
        if (!connect(format, "Playback", cancelled))
            return false;
        pa_buffer_attr attr {};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = static_cast<std::uint32_t>(aheadBytes);
        attr.prebuf = attr.minreq = attr.fragsize = static_cast<std::uint32_t>(-1);
        // Without ADJUST_LATENCY the server keeps its own, much larger buffer, and a stop would
        // wait for it.
        if (pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
            return false;
        return waitUntilReady(cancelled);
    }

    bool write(std::span<const std::byte> data) override
    {
        while (!data.empty()) {
            if (m_interrupted.load(std::memory_order_acquire) || !good())
                return false;
            const std::size_t room = pa_stream_writable_size(m_stream);
            if (room == static_cast<std::size_t>(-1))
                return false;
            if (room == 0) {
                if (!fetch(-1))
                    return false;
                continue;
            }
            const std::size_t n = std::min(room, data.size());
            if (pa_stream_write(m_stream, data.data(), n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return false;
            data = data.subspan(n);
        }
        return fetch(0);
    }

    void drain() override
    {
        bool drained = false;
        pa_operation* operation = pa_stream_drain(
            m_stream, [](pa_stream*, int, void* done) { *static_cast<bool*>(done) = true; }, &drained);
        if (!operation)
            return;
        while (!drained && !m_interrupted.load(std::memory_order_acquire) && good() && fetch(-1)) { }
        pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }

    void interrupt() override
    {
        m_interrupted.store(true, std::memory_order_release);
        wakeUp();
    }

private:
    std::atomic<bool> m_interrupted {false};
};

} // namespace

std::size_t PulseBackend::chunkBytes(const PcmFormat& format) const
{
    // A quarter of a second: the size display grows live (four small repaints a second, cheap
    // since they stopped going through shared memory) and the size rule of auto-stop sees the
    // target within a quarter second of it. Stop still keeps every byte read before it.
    const std::size_t frames = std::max<std::size_t>(format.samplesPerSec / 4, 1);
    return frames * format.blockAlign();
}

std::size_t PulseBackend::playbackChunkBytes(const PcmFormat& format) const
{
    return format.samplesPerSec / 10 * format.blockAlign(); // 100 ms
}

std::string PulseBackend::unreachable() const
{
    // The server's socket, where it can be told without asking the server: a missing socket or
    // one nobody listens on answers at once.
    std::string path;
    if (const char* server = std::getenv("PULSE_SERVER"); server && *server) {
        const std::string_view address(server);
        if (address.rfind("unix:", 0) != 0 || address.find_first_of(" \t") != std::string_view::npos)
            return {}; // another kind of address, or a list: only the server can tell
        path = address.substr(5);
    } else if (const char* runtime = std::getenv("PULSE_RUNTIME_PATH"); runtime && *runtime) {
        path = std::string(runtime) + "/native";
    } else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
        path = std::string(xdg) + "/pulse/native";
    } else {
        return {};
    }
    sockaddr_un address {};
    if (path.size() >= sizeof address.sun_path)
        return {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return {};
    const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = connected == 0 ? 0 : errno;
    ::close(fd);
    if (error == ECONNREFUSED) // the socket is left, nothing listens on it
        return "the sound server is not running any more: it was stopped, or it crashed";
    if (error == ENOENT || error == ENOTDIR)
        return "no sound server is running (none listens at " + path + ")";
    return {};
}

std::unique_ptr<CaptureStream> PulseBackend::openCapture(const PcmFormat& format, const OpenCancelled& cancelled)
{
    auto stream = std::make_unique<PulseCapture>();
    // The server hands the audio over in fragments of 20 ms, whatever the chunk: a fragment it has
    // not filled when the recording stops is not handed over (PipeWire's server keeps it), so this
    // bounds what a stop can lose. The capture still wakes only after its naps.
    const std::size_t fragment = std::max<std::size_t>(format.samplesPerSec / 50, 1) * format.blockAlign();
    if (!stream->open(format, fragment, cancelled))
        return nullptr;
    return stream;
}

std::unique_ptr<PlaybackStream> PulseBackend::openPlayback(const PcmFormat& format, const OpenCancelled& cancelled)
{
    auto stream = std::make_unique<PulsePlayback>();
    if (!stream->open(format, playbackChunkBytes(format) * 4, cancelled)) // 400 ms ahead of the speaker
        return nullptr;
    return stream;
}

std::shared_ptr<AudioBackend> systemAudioBackend()
{
    return std::make_shared<PulseBackend>();
}

} // namespace quorvel::platform
