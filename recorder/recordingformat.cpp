// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordingformat.h"

namespace quorvel::recorder {

// "22.050Hz" and "44.100Hz" are the labels users have always seen; they stay as they are.
const std::array<RecordingFormat, 16> recordingFormats = {{
    {"8.000kHz, 8bit Mono, 7k/sec", 8000, 1, 8},
    {"8.000kHz, 8bit Stereo, 15k/sec", 8000, 2, 8},
    {"8.000kHz, 16bit Mono, 15k/sec", 8000, 1, 16},
    {"8.000kHz, 16bit Stereo, 31k/sec", 8000, 2, 16},
    {"11.025kHz, 8bit Mono, 10k/sec", 11025, 1, 8},
    {"11.025kHz, 8bit Stereo, 21k/sec", 11025, 2, 8},
    {"11.025kHz, 16bit Mono, 21k/sec", 11025, 1, 16},
    {"11.025kHz, 16bit Stereo, 43k/sec", 11025, 2, 16},
    {"22.050Hz, 8bit Mono, 21k/sec", 22050, 1, 8},
    {"22.050Hz, 8bit Stereo, 43k/sec", 22050, 2, 8},
    {"22.050Hz, 16bit Mono, 43k/sec", 22050, 1, 16},
    {"22.050Hz, 16bit Stereo, 86k/sec", 22050, 2, 16},
    {"44.100Hz, 8bit Mono, 43k/sec", 44100, 1, 8},
    {"44.100Hz, 8bit Stereo, 86k/sec", 44100, 2, 8},
    {"44.100Hz, 16bit Mono, 86k/sec", 44100, 1, 16},
    {"44.100Hz, 16bit Stereo, 172k/sec", 44100, 2, 16},
}};

std::optional<RecordingFormat> formatForLabel(std::string_view label)
{
    for (const auto& format : recordingFormats) {
        if (format.label == label)
            return format;
    }
    return std::nullopt;
}

} // namespace quorvel::recorder
