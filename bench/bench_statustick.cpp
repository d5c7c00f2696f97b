// SPDX-License-Identifier: GPL-3.0-or-later
// One tick of the size display: the two commands the window sends every 19 ms, while recording.

#include "audio/syntheticbackend.h"
#include "mci.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

using namespace quorvel::platform;

static void statusTickWhileRecording(benchmark::State& state)
{
    setenv("XDG_STATE_HOME", std::filesystem::temp_directory_path().c_str(), 0);
    SyntheticBackend::Options options;
    options.speed = 1.0; // a real-time recording runs on its thread meanwhile
    setAudioBackend(std::make_shared<SyntheticBackend>(options));
    mciSendString("close all", nullptr, 0);
    mciSendString("open new type waveaudio alias capture", nullptr, 0);
    mciSendString("set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400", nullptr,
                  0);
    mciSendString("record capture", nullptr, 0);
    char reply[255];
    for (auto _ : state) {
        mciSendString("set capture time format bytes", nullptr, 0);
        mciSendString("status capture length", reply, sizeof reply);
        benchmark::DoNotOptimize(reply);
    }
    mciSendString("close all", nullptr, 0);
}
BENCHMARK(statusTickWhileRecording);

static void statusModeQuery(benchmark::State& state)
{
    mciSendString("close all", nullptr, 0);
    mciSendString("open new type waveaudio alias capture", nullptr, 0);
    char reply[255];
    for (auto _ : state) {
        mciSendString("status capture mode", reply, sizeof reply);
        benchmark::DoNotOptimize(reply);
    }
    mciSendString("close all", nullptr, 0);
}
BENCHMARK(statusModeQuery);

BENCHMARK_MAIN();
