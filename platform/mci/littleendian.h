#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvel::platform::le {

// The fields of a RIFF header: little-endian numbers and four-letter tags.
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

} // namespace quorvel::platform::le
