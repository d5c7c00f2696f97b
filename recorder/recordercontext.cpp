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

} // namespace quorvel::recorder
