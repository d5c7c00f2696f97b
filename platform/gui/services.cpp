#include "services.h"

#include "specialfolders.h"

namespace quorvel::platform {

Services systemServices()
{
    Services services;
    services.mci = &systemMci();
    services.clock = &systemClock();
    services.notifyIcons = &createSystemNotifyIcon;
    services.applicationFolder = applicationFolder();
    return services;
}

} // namespace quorvel::platform
