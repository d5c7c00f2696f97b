// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audiobackend.h"

#include <cstdint>
#include <filesystem>

namespace quorvel::platform {

class SpoolFile;

// Writes `bytes` spooled bytes as a RIFF/WAVE PCM file: the classic header while the data fits
// the 32-bit sizes, RF64 past that. The file appears under `target` only once it is complete;
// on failure nothing is left behind. The file is made beside the target under a name of its own,
// created exclusively, and moved over the target at the end: a link at the target is replaced, never
// written through. Returns 0, or the system's error number when the file could not be written.
int writeWav(const std::filesystem::path& target, const PcmFormat& format, const SpoolFile* spool, std::uint64_t bytes);

// The largest data chunk a classic RIFF file can describe.
constexpr std::uint64_t maxClassicWavData = 0xFFFFFFFFull - 36u - 1u;

} // namespace quorvel::platform
