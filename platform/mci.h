#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform {

// The multimedia device layer's string interface: one command in, a return code and a reply out.
// Returns 0 on success, otherwise an MCI error number (see mciErrorText). The reply is copied into
// `reply` NUL-terminated and cut to replyLength - 1 characters; on any error it is the empty text.
// `reply` may be null when replyLength is 0. Never waits for audio: recording and playback run on
// their own threads, and status queries read counters.
std::uint32_t mciSendString(std::string_view command, char* reply, std::uint32_t replyLength,
                            void* callbackWindow = nullptr);

// The text that goes with an error number; empty for 0 or an unknown number.
std::string_view mciErrorText(std::uint32_t code);

// The string interface as an object, so the recorder can be tested against a double that keeps
// the exact commands it was sent.
class Mci
{
public:
    virtual ~Mci() = default;
    virtual std::uint32_t sendString(std::string_view command, char* reply, std::uint32_t replyLength) = 0;
};

// The real device layer.
Mci& systemMci();

// Recordings left behind by a program that died while recording (a crash, a kill, a power cut)
// (their lock is free) are moved into `folder` as "Recovered yyyy-mm-dd hh.mm.ss.wav", named after their start, and
// their names returned. Those of programs still running are left alone; empty ones deleted.
std::vector<std::string> recoverAbandonedRecordings(const std::filesystem::path& folder);

} // namespace quorvel::platform
