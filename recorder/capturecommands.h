// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordingformat.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::recorder {

// The command strings the recorder sends to its capture device, alias "capture".
namespace command {
inline constexpr std::string_view closeAll = "close all";
inline constexpr std::string_view open = "open new type waveaudio alias capture";
inline constexpr std::string_view record = "record capture";
inline constexpr std::string_view stop = "stop capture";
inline constexpr std::string_view play = "play capture from 0";
inline constexpr std::string_view close = "close capture";
inline constexpr std::string_view statusMode = "status capture mode";
inline constexpr std::string_view timeFormatBytes = "set capture time format bytes";
inline constexpr std::string_view statusLength = "status capture length";
} // namespace command

// Replies to status queries are read from a buffer of this many characters.
constexpr unsigned statusReplyLength = 255;

// "set capture samplespersec R channels C bitspersample B alignment A bytespersec P"; with no
// preset, R, C and B stay empty and A and P are 0, and the device keeps the format it has.
std::string setFormatCommand(const std::optional<RecordingFormat>& format);

// "save capture " followed by the path exactly as given.
std::string saveCommand(std::string_view path);

} // namespace quorvel::recorder
