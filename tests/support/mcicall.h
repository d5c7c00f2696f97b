// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mci.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <cstdint>
#include <functional>
#include <string>

namespace quorvel::test {

struct MciResult
{
    std::uint32_t code;
    QString reply;
};

// One command through the device's string interface, with the recorder's 255-character buffer.
inline MciResult mci(const std::string& command)
{
    char reply[255];
    const auto code = platform::mciSendString(command, reply, sizeof reply);
    return {code, QString::fromUtf8(reply)};
}

inline std::uint64_t mciNumber(const std::string& command)
{
    return mci(command).reply.toULongLong();
}

// The length of the device "capture" in bytes.
inline std::uint64_t lengthBytes()
{
    mci("set capture time format bytes");
    return mciNumber("status capture length");
}

// Polls until the condition holds; false when it did not within the time.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(2);
    }
    return true;
}

} // namespace quorvel::test
