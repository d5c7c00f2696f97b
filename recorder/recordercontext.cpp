// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordercontext.h"

#include "capturecommands.h"

namespace quorvel::recorder {

void send(platform::Mci& mci, std::string_view command)
{
    mci.sendString(command, nullptr, 0);
}

namespace {
// The reply of a status query in a buffer of the device's reply length; empty when it failed.
struct Reply
{
    char text[statusReplyLength] = {};

    Reply(platform::Mci& mci, std::string_view command)
    {
        mci.sendString(command, text, statusReplyLength);
        text[statusReplyLength - 1] = '\0';
    }
};
} // namespace

QString query(platform::Mci& mci, std::string_view command)
{
    return QString::fromUtf8(Reply(mci, command).text);
}

std::uint64_t queryNumber(platform::Mci& mci, std::string_view command)
{
    return leadingNumber(Reply(mci, command).text);
}

std::uint64_t leadingNumber(std::string_view reply)
{
    std::uint64_t value = 0;
    for (char ch : reply) {
        if (ch < '0' || ch > '9')
            break;
        value = value * 10 + static_cast<std::uint64_t>(ch - '0');
    }
    return value;
}

} // namespace quorvel::recorder
