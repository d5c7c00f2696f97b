// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form8controls.h"
#include "specialfolders.h"

#include <QString>

namespace quorvel::shell {

// The shortcut that starts the program at log-in, copied into the Startup folder (a desktop entry
// with its Exec= and Icon= naming the running program and its icon, or a shell link as it is) and
// deleted from there.
using platform::shortcutName;

// The path of a shell folder (7: the Startup folder), without a trailing separator.
QString GetSpecialFolderPath(int folderId);

// "Load At Windows Start" changed: 1 enables "Start Minimized" and places the shortcut; any other
// value disables it and removes the shortcut. A file operation that fails leaves the option as set,
// and why the shortcut could not be placed is returned (empty when it was).
QString Check4_Click(ui::Form8Controls& c, const platform::ApplicationFiles& files);

// The program's path as one argument of a desktop entry's Exec= (quoted where it must be).
QString desktopExecArgument(const QString& program);
// The source entry with Exec= and Icon= of the [Desktop Entry] group naming `files`' program and icon.
QByteArray autostartEntry(const QByteArray& source, const platform::ApplicationFiles& files);

} // namespace quorvel::shell
