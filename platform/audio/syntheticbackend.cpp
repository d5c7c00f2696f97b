// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntheticbackend.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

namespace quorvel::platform {

namespace {

using Clock = std::chrono::steady_clock;

// One second of the signal; the tones are whole numbers of hertz, so it repeats exactly.
std::vector<std::byte> oneSecond(const PcmFormat& format, double amplitude = 0.5)
{
    std::vector<std::byte> table(format.bytesPerSec());
    const double rate = format.samplesPerSec;
    std::size_t at = 0;
    for (std::uint32_t frame = 0; frame < format.samplesPerSec; ++frame) {
        for (std::uint16_t channel = 0; channel < format.channels; ++channel) {
            const double hz = channel == 0 ? 440.0 : 880.0;
            const double value = amplitude * std::sin(2.0 * std::numbers::pi * hz * frame / rate);
            if (format.bitsPerSample == 8) {
                table[at++] = static_cast<std::byte>(static_cast<int>(std::lround(128.0 + value * 127.0)));
            } else {
                const auto sample = static_cast<std::int16_t>(std::lround(value * 32767.0));
                const auto bits = static_cast<std::uint16_t>(sample);
                table[at++] = static_cast<std::byte>(bits & 0xFF);
                table[at++] = static_cast<std::byte>(bits >> 8);
            }
        }
    }
    return table;
}

// Waits until `bytes` are due at `speed` times real time since `start`.
void pace(double speed, const PcmFormat& format, Clock::time_point start, std::uint64_t bytes)
{
    if (speed <= 0)
        return;
    const double seconds = static_cast<double>(bytes) / format.bytesPerSec() / speed;
    std::this_thread::sleep_until(
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
}

class SyntheticCapture final : public CaptureStream
{
public:
    SyntheticCapture(const PcmFormat& format, SyntheticBackend::Options options)
        : m_format(format)
        , m_options(options)
        , m_table(oneSecond(format, options.amplitude))
        , m_start(Clock::now())
    {
    }

    std::ptrdiff_t read(std::span<std::byte> buffer) override
    {
        if (m_interrupted.load(std::memory_order_acquire))
            return 0; // nothing is held back: what was due has been read
        const std::uint64_t left = m_options.captureLimit > m_offset ? m_options.captureLimit - m_offset : 0;
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left));
        n -= n % m_format.blockAlign();
        if (n == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return 0;
        }
        pace(m_options.speed, m_format, m_start, m_offset + n);
        copyFromTable(buffer.first(n));
        return static_cast<std::ptrdiff_t>(n);
    }

    void interrupt() override { m_interrupted.store(true, std::memory_order_release); }

private:
    void copyFromTable(std::span<std::byte> out)
    {
        std::size_t done = 0;
        while (done < out.size()) {
            const std::size_t at = static_cast<std::size_t>(m_offset % m_table.size());
            const std::size_t n = std::min(out.size() - done, m_table.size() - at);
            std::memcpy(out.data() + done, m_table.data() + at, n);
            done += n;
            m_offset += n;
        }
    }

    PcmFormat m_format;
    SyntheticBackend::Options m_options;
    std::vector<std::byte> m_table;
    Clock::time_point m_start;
    std::uint64_t m_offset = 0;
    std::atomic<bool> m_interrupted {false};
};

class SyntheticPlayback final : public PlaybackStream
{
public:
    SyntheticPlayback(const PcmFormat& format, double speed, std::atomic<std::uint64_t>& played)
        : m_format(format)
        , m_speed(speed)
        , m_played(played)
        , m_start(Clock::now())
    {
    }

    bool write(std::span<const std::byte> data) override
    {
        if (m_interrupted.load(std::memory_order_acquire))
            return false;
        m_written += data.size();
        pace(m_speed, m_format, m_start, m_written);
        m_played += data.size();
        return true;
    }

    void drain() override { }
    void interrupt() override { m_interrupted.store(true, std::memory_order_release); }

private:
    PcmFormat m_format;
    double m_speed;
    std::atomic<std::uint64_t>& m_played;
    Clock::time_point m_start;
    std::uint64_t m_written = 0;
    std::atomic<bool> m_interrupted {false};
};

} // namespace

void SyntheticBackend::render(const PcmFormat& format, std::uint64_t offset, std::span<std::byte> out)
{
    const auto table = oneSecond(format);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = table[static_cast<std::size_t>((offset + i) % table.size())];
}

std::size_t SyntheticBackend::chunkBytes(const PcmFormat& format) const
{
    if (m_options.chunkBytes)
        return m_options.chunkBytes - m_options.chunkBytes % format.blockAlign();
    return format.samplesPerSec / 20 * format.blockAlign();
}

std::unique_ptr<CaptureStream> SyntheticBackend::openCapture(const PcmFormat& format, const OpenCancelled&)
{
    if (!m_options.inputAvailable)
        return nullptr;
    return std::make_unique<SyntheticCapture>(format, m_options);
}

std::unique_ptr<PlaybackStream> SyntheticBackend::openPlayback(const PcmFormat& format, const OpenCancelled&)
{
    if (!m_options.outputAvailable)
        return nullptr;
    return std::make_unique<SyntheticPlayback>(format, m_options.speed, m_played);
}

} // namespace quorvel::platform
