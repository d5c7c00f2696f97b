#pragma once

#include "clock.h"
#include "mci.h"
#include "notifyicon.h"

#include <QString>

namespace quorvel::platform {

// The system services the windows call, gathered so tests can hand in doubles.
struct Services
{
    Mci* mci = nullptr;
    Clock* clock = nullptr;
    NotifyIconFactory notifyIcons = nullptr;
    QString applicationFolder; // the folder of the program, without a trailing separator
};

// The real ones.
Services systemServices();

} // namespace quorvel::platform
