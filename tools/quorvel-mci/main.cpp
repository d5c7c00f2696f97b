// SPDX-License-Identifier: GPL-3.0-or-later
// quorvel-mci: try the capture device from a terminal.
//
//   quorvel-mci [--timing] "open new type waveaudio alias capture" "record capture" "sleep 3000" ...
//
// Each argument is one command; without arguments, each line of standard input is one. The
// pseudo-command "sleep N" waits N milliseconds while the device keeps working. Every real command
// prints its return code, a tab and its reply on standard output; a failure's text goes to
// standard error. With --timing each line ends in a third column, the command's time in ms.

#include "mci.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

bool isSleep(std::string_view line, long& millis)
{
    if (line.size() < 6 || line.substr(0, 6) != "sleep ")
        return false;
    try {
        millis = std::stol(std::string(line.substr(6)));
    } catch (...) {
        return false;
    }
    return millis >= 0;
}

bool g_timing = false;

void run(std::string line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    long millis = 0;
    if (isSleep(line, millis)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(millis));
        return;
    }
    char reply[256];
    const auto started = std::chrono::steady_clock::now();
    const auto code = quorvel::platform::mciSendString(line, reply, sizeof reply);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
    std::cout << code << '\t' << reply;
    if (g_timing)
        std::cout << '\t' << took.count();
    std::cout << std::endl;
    if (code != 0)
        std::cerr << line << ": " << quorvel::platform::mciErrorText(code) << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    if (argc > 1 && std::string_view(argv[1]) == "--timing") {
        g_timing = true; // a third column: how long the command took, in milliseconds
        ++first;
    }
    if (argc > first) {
        for (int i = first; i < argc; ++i)
            run(argv[i]);
    } else {
        std::string line;
        while (std::getline(std::cin, line))
            run(line);
    }
    quorvel::platform::mciSendString("close all", nullptr, 0);
    return std::cout.good() ? 0 : 1;
}
