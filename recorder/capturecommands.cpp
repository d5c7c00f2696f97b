// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturecommands.h"

namespace quorvel::recorder {

std::string setFormatCommand(const std::optional<RecordingFormat>& format)
{
    std::string rate, channels, bits;
    std::int16_t alignment = 0;
    std::int32_t bytesPerSec = 0;
    if (format) {
        rate = std::to_string(format->samplesPerSec);
        channels = std::to_string(format->channels);
        bits = std::to_string(format->bitsPerSample);
        alignment = format->alignment();
        bytesPerSec = format->bytesPerSec();
    }
    return "set capture samplespersec " + rate + " channels " + channels + " bitspersample " + bits + " alignment "
        + std::to_string(alignment) + " bytespersec " + std::to_string(bytesPerSec);
}

std::string saveCommand(std::string_view path)
{
    std::string text = "save capture ";
    text += path;
    return text;
}

} // namespace quorvel::recorder
