// quorvel-mci: try the capture device from a terminal.
//
//   quorvel-mci "open new type waveaudio alias capture" "record capture" "sleep 3000" ...
//
// Each argument is one command; without arguments, each line of standard input is one. The
// pseudo-command "sleep N" waits N milliseconds while the device keeps working. Every real command
// prints its return code, a tab and its reply on standard output; a failure's text goes to
// standard error.

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
    const auto code = quorvel::platform::mciSendString(line, reply, sizeof reply);
    std::cout << code << '\t' << reply << std::endl;
    if (code != 0)
        std::cerr << line << ": " << quorvel::platform::mciErrorText(code) << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        for (int i = 1; i < argc; ++i)
            run(argv[i]);
    } else {
        std::string line;
        while (std::getline(std::cin, line))
            run(line);
    }
    quorvel::platform::mciSendString("close all", nullptr, 0);
    return std::cout.good() ? 0 : 1;
}
