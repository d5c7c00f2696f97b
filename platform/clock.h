// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

namespace quorvel::platform {

// The local date and time; tests replace it to move time by hand.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

Clock& systemClock();

} // namespace quorvel::platform
