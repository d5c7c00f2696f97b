// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audiobackend.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvel::platform::le {

// The fields of a RIFF/WAVE header: little-endian numbers, four-letter tags, the format chunk.
inline void put16(std::byte* at, std::uint16_t value)
{
    at[0] = std::byte(value & 0xff);
    at[1] = std::byte(value >> 8);
}

inline void put32(std::byte* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = std::byte((value >> (8 * i)) & 0xff);
}

inline void put64(std::byte* at, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        at[i] = std::byte((value >> (8 * i)) & 0xff);
}

inline void putTag(std::byte* at, const char* tag)
{
    std::memcpy(at, tag, 4);
}

inline std::uint16_t get16(const std::byte* at)
{
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(at[0]) | std::to_integer<unsigned>(at[1]) << 8);
}

inline std::uint32_t get32(const std::byte* at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::to_integer<std::uint32_t>(at[i]);
    return value;
}

inline std::uint64_t get64(const std::byte* at)
{
    return get32(at) | std::uint64_t {get32(at + 4)} << 32;
}

// The 32 bytes of a "fmt " chunk for PCM followed by the head of the "data" chunk, with the data
// size as the 32-bit field holds it.
inline void putFormatAndData(std::byte* at, const PcmFormat& format, std::uint32_t dataSize)
{
    putTag(at, "fmt ");
    put32(at + 4, 16);
    put16(at + 8, 1); // PCM
    put16(at + 10, format.channels);
    put32(at + 12, format.samplesPerSec);
    put32(at + 16, format.bytesPerSec());
    put16(at + 20, static_cast<std::uint16_t>(format.blockAlign()));
    put16(at + 22, format.bitsPerSample);
    putTag(at + 24, "data");
    put32(at + 28, dataSize);
}

} // namespace quorvel::platform::le
