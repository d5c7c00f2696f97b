#pragma once

#include "mci.h"

#include <QString>

#include <cstdint>
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

} // namespace quorvel::test
