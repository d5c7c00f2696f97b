// bench_recordrss SECONDS: records SECONDS of 44.1 kHz stereo from the synthetic backend (as fast
// as it can be written), saves it, and prints the process's peak resident set size.

#include "audio/syntheticbackend.h"
#include "mci.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <sys/resource.h>

using namespace quorvel::platform;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SECONDS OUTPUT.wav\n", argv[0]);
        return 2;
    }
    const std::uint64_t seconds = std::strtoull(argv[1], nullptr, 10);
    const std::uint64_t bytes = seconds * 176400;
    SyntheticBackend::Options options;
    options.captureLimit = bytes;
    setAudioBackend(std::make_shared<SyntheticBackend>(options));

    const auto start = std::chrono::steady_clock::now();
    mciSendString("open new type waveaudio alias capture", nullptr, 0);
    mciSendString("set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400",
                  nullptr, 0);
    mciSendString("set capture time format bytes", nullptr, 0);
    mciSendString("record capture", nullptr, 0);
    char reply[255];
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(19));
        mciSendString("status capture length", reply, sizeof reply);
    } while (std::strtoull(reply, nullptr, 10) < bytes);
    const std::string save = std::string("save capture ") + argv[2];
    const auto code = mciSendString(save, nullptr, 0);
    mciSendString("close all", nullptr, 0);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("recorded %llu s (%llu bytes) in %.2f s, save %u, peak RSS %ld KiB\n",
                static_cast<unsigned long long>(seconds), static_cast<unsigned long long>(bytes), elapsed, code,
                usage.ru_maxrss);
    return code == 0 ? 0 : 1;
}
