// SPDX-License-Identifier: GPL-3.0-or-later
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

// What a device's sound is like now: for a level meter, and for the warning that nothing arrives.
struct SoundLevel
{
    // The device records or plays.
    bool running = false;
    // The loudest sample since the meter last looked, as a share of full scale (0 to 1); -1 when
    // no audio came through since then; 0 when the device neither records nor plays.
    float peak = 0;
    // A sample of the take reached full scale: recording clipped. Until the next Record.
    bool clipped = false;
    // While recording: how long nothing louder than -60 dBFS has come in (nothing at all counts).
    std::int64_t quietMs = 0;
    // What the recording's input is called, as the desktop's sound settings show it; empty when
    // that is not known.
    std::string input;
};

// The string interface as an object, so the recorder can be tested against a double that keeps
// the exact commands it was sent.
class Mci
{
public:
    virtual ~Mci() = default;
    virtual std::uint32_t sendString(std::string_view command, char* reply, std::uint32_t replyLength) = 0;
    // What recordingProblem, recordingNotice, lastSaveError and recordingLengthFinal below tell of the device of this
    // alias.
    virtual std::string problem(std::string_view /*alias*/) { return {}; }
    virtual std::string notice(std::string_view /*alias*/) { return {}; }
    virtual int saveError(std::string_view /*alias*/) { return 0; }
    virtual bool lengthFinal(std::string_view /*alias*/) { return true; }
    virtual SoundLevel level(std::string_view /*alias*/, bool /*look*/) { return {}; }
};

// The real device layer.
Mci& systemMci();

// Recordings left behind by a program that ended without discarding them (a crash, a kill, a
// power cut, the end of the session) are moved into `driveC` as "Recovered yyyy-mm-dd hh.mm.ss.wav",
// named after their start. Those of programs still running are left alone; empty ones and ones
// saved whole are deleted. A recording that can't be moved (drive C full or missing) stays where
// it is for the next start, and `waiting` says why. Temporary files of saves that were cut off
// are removed from drive C.
struct Recovery
{
    std::vector<std::string> recovered; // file names in drive C
    std::vector<std::string> waiting; // why a recording could not be moved, one line each
};
Recovery recoverRecordings(const std::filesystem::path& driveC);

// How the device's recordings end when the program ends without closing them, or closes them
// because it is being ended from outside (a signal, the end of the session): kept for the
// recovery at the next start, complete up to that moment, unless they were saved whole.
// Without it they are discarded, as "close" does.
void keepRecordingsAtExit();
void keepRecordingsOnClose(bool keep = true);
// Every open recording's audio so far is on the disk (the session is about to end, perhaps).
void syncRecordings();

// Why the device's recording ended by itself (a full disk, the sound server gone), in words for
// the user; empty when it did not.
std::string recordingProblem(std::string_view alias);
// What the user should know of a recording that goes on (its spool had to be made again), in
// words for the user, said once; empty when there is nothing new.
std::string recordingNotice(std::string_view alias);
// The device's length will not change by itself any more (see WaveDevice::lengthFinal); true for
// an alias that is not open.
bool recordingLengthFinal(std::string_view alias);
// The sound of the device of this alias (see SoundLevel). `look`: a meter shows the peak, which
// starts again from here, and wants the audio brought in often enough to follow it.
SoundLevel recordingLevel(std::string_view alias, bool look);
// Why the device's last save failed: the system's error number, 0 when it did not.
int lastSaveError(std::string_view alias);

} // namespace quorvel::platform
