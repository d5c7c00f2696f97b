// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock.h"

namespace quorvel::platform {

Clock& systemClock()
{
    struct SystemClock final : Clock
    {
        QDateTime now() const override { return QDateTime::currentDateTime(); }
    };
    static SystemClock instance;
    return instance;
}

} // namespace quorvel::platform
