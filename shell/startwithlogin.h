#pragma once

#include "form8controls.h"

#include <QString>

namespace quorvel::shell {

// The shortcut that starts the program at log-in: copied from the application folder into the
// desktop's autostart folder, and deleted from there.
inline constexpr auto shortcutName = "/Quorvel.desktop";

// The path of a shell folder (7: the Startup folder), without a trailing separator.
QString GetSpecialFolderPath(int folderId);

// "Load At Windows Start" changed: 1 enables "Start Minimized" and places the shortcut; any other
// value disables it and removes the shortcut. A file operation that fails leaves the option as set.
void Check4_Click(ui::Form8Controls& c, const QString& applicationFolder);

} // namespace quorvel::shell
