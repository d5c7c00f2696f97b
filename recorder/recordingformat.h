// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel::recorder {

// One quality preset of the list: what the user reads and what the device is told.
struct RecordingFormat
{
    std::string_view label;
    std::int32_t samplesPerSec;
    std::int16_t channels;
    std::int16_t bitsPerSample;

    // Bytes per sample frame.
    std::int16_t alignment() const { return static_cast<std::int16_t>(bitsPerSample * channels / 8); }
    std::int32_t bytesPerSec() const { return std::int32_t {alignment()} * samplesPerSec; }
};

// The sixteen presets in list order; a stored list index means a row of this table.
extern const std::array<RecordingFormat, 16> recordingFormats;

// The list index selected when nothing else says otherwise.
constexpr int defaultFormatIndex = 7;

// The preset whose label is exactly `label` (case-sensitive, untrimmed), or nothing.
std::optional<RecordingFormat> formatForLabel(std::string_view label);

} // namespace quorvel::recorder
