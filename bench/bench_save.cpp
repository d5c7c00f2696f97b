// SPDX-License-Identifier: GPL-3.0-or-later
// bench_save FOLDER: records 1 GiB from the synthetic backend, then times the device's save of it
// against cp of a 1 GiB file, each three times, on the same disk and from the page cache alike.
// The save puts its file on the disk before it gives it the name (a crash never leaves half a file
// under it), so it is also set against cp followed by `sync FILE`, which does the same.

#include "mci.h"
#include "syntheticrecording.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace quorvel::platform;
using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    setenv("XDG_STATE_HOME", folder.c_str(), 1); // the spool on the same disk as the saved file
    const std::uint64_t bytes = std::uint64_t {1} << 30;
    quorvel::bench::recordSynthetic(bytes, 1 << 20);
    mciSendString("stop capture", nullptr, 0);

    const auto saved = folder / "saved.wav";
    const auto copied = folder / "copied.wav";
    std::vector<double> saveTimes, copyTimes, syncedTimes;
    for (int round = 0; round < 3; ++round) {
        std::filesystem::remove(saved);
        std::filesystem::remove(copied);
        auto start = Clock::now();
        const auto code = mciSendString("save capture " + saved.string(), nullptr, 0);
        saveTimes.push_back(seconds(start));
        if (code != 0)
            return 1;
        start = Clock::now();
        const std::string cp = "cp '" + saved.string() + "' '" + copied.string() + "'";
        if (std::system(cp.c_str()) != 0)
            return 1;
        copyTimes.push_back(seconds(start));
        std::filesystem::remove(copied);
        start = Clock::now();
        if (std::system((cp + " && sync '" + copied.string() + "'").c_str()) != 0)
            return 1;
        syncedTimes.push_back(seconds(start));
    }
    mciSendString("close all", nullptr, 0);
    std::filesystem::remove(saved);
    std::filesystem::remove(copied);

    const double save = *std::min_element(saveTimes.begin(), saveTimes.end());
    const double copy = *std::min_element(copyTimes.begin(), copyTimes.end());
    const double synced = *std::min_element(syncedTimes.begin(), syncedTimes.end());
    const double gib = double(bytes) / (1 << 30);
    std::printf("save 1 GiB: best %.3f s (%.0f MiB/s); cp: best %.3f s (%.0f MiB/s); save/cp speed %.2f; "
                "cp + sync: best %.3f s; save/(cp + sync) speed %.2f\n",
                save, gib * 1024 / save, copy, gib * 1024 / copy, copy / save, synced, synced / save);
    return 0;
}
