#include "recordercontext.h"

#include "capturecommands.h"

namespace quorvel::recorder {

void send(platform::Mci& mci, std::string_view command)
{
    mci.sendString(command, nullptr, 0);
}

QString query(platform::Mci& mci, std::string_view command)
{
    char reply[statusReplyLength] = {};
    mci.sendString(command, reply, statusReplyLength);
    reply[statusReplyLength - 1] = '\0';
    return QString::fromUtf8(reply);
}

std::uint64_t queryNumber(platform::Mci& mci, std::string_view command)
{
    char reply[statusReplyLength] = {};
    mci.sendString(command, reply, statusReplyLength);
    std::uint64_t value = 0;
    for (const char* c = reply; c < reply + statusReplyLength && *c >= '0' && *c <= '9'; ++c)
        value = value * 10 + static_cast<std::uint64_t>(*c - '0');
    return value;
}

} // namespace quorvel::recorder
