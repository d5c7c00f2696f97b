// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form8controls.h"
#include "services.h"
#include "trayicon.h"

class QWidget;

namespace quorvel::shell {

struct ShellContext
{
    QWidget& form;
    ui::Form8Controls& c;
    platform::Services& services;
    TrayIcon& tray;
};

inline constexpr auto trayTip = "Right Click For Options";
inline constexpr auto markerFile = "c:\\Project12.lnk";
inline constexpr auto recoveredText
    = "Quorvel was not closed properly while it held a recording that was not saved. What it had recorded is "
      "saved as:";
inline constexpr auto recoveredWhere = "in the root of your C Drive.";

// How the main window comes up after its start-up sequence.
enum class StartVisibility
{
    Shown,
    Hidden,
    Minimized
};

// The start-up sequence of the main window, step by step.
StartVisibility formLoad(ShellContext& ctx);
// The shutdown sequence: device closed, settings written, tray icon removed.
void formUnload(ShellContext& ctx);

} // namespace quorvel::shell
