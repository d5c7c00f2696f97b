// SPDX-License-Identifier: GPL-3.0-or-later
// bench_recordrss SECONDS: records SECONDS of 44.1 kHz stereo from the synthetic backend (as fast
// as it can be written), saves it, and prints the process's peak resident set size.

#include "mci.h"
#include "syntheticrecording.h"

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
    const auto start = std::chrono::steady_clock::now();
    quorvel::bench::recordSynthetic(bytes);
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
