// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"
#include "desktop.h"
#include "filedialogs.h"
#include "helpviewer.h"
#include "keepawake.h"
#include "mci.h"
#include "messageboxes.h"
#include "notifyicon.h"
#include "processes.h"
#include "specialfolders.h"

#include <QString>

namespace quorvel::platform {

// The system services the windows call, gathered so tests can hand in doubles.
struct Services
{
    Mci* mci = nullptr;
    Clock* clock = nullptr;
    NotifyIconFactory notifyIcons = nullptr;
    MessageBoxes* messageBoxes = nullptr;
    FileDialogs* fileDialogs = nullptr;
    ProcessStarter* processes = nullptr;
    Desktop* desktop = nullptr;
    HelpViewer* help = nullptr;
    KeepAwake* keepAwake = &noKeepAwake();
    ApplicationFiles files; // where the program's own files are
};

// The real ones.
Services systemServices();

} // namespace quorvel::platform
