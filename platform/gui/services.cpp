// SPDX-License-Identifier: GPL-3.0-or-later
#include "services.h"

#include "specialfolders.h"

namespace quorvel::platform {

Services systemServices()
{
    Services services;
    services.mci = &systemMci();
    services.clock = &systemClock();
    services.notifyIcons = &createSystemNotifyIcon;
    services.messageBoxes = &systemMessageBoxes();
    services.fileDialogs = &systemFileDialogs();
    services.processes = &systemProcessStarter();
    services.desktop = &systemDesktop();
    services.help = &systemHelpViewer();
    services.keepAwake = &systemKeepAwake();
    services.files = applicationFiles();
    return services;
}

} // namespace quorvel::platform
