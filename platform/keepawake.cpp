// SPDX-License-Identifier: GPL-3.0-or-later
#include "keepawake.h"

namespace quorvel::platform {

void KeepAwake::hold(const void* holder, bool needed)
{
    const bool before = held();
    if (needed)
        m_holders.insert(holder);
    else
        m_holders.erase(holder);
    if (held() && !before)
        inhibit();
    else if (!held() && before)
        uninhibit();
}

KeepAwake& noKeepAwake()
{
    struct None final : KeepAwake
    {
        void inhibit() override { }
        void uninhibit() override { }
    };
    static None none;
    return none;
}

} // namespace quorvel::platform
