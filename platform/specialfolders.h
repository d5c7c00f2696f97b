#pragma once

#include <QString>

namespace quorvel::platform {

// Shell folder identifier of the current user's Startup folder.
constexpr int startupFolderId = 7;

// The folder for a shell folder identifier, without a trailing separator; empty when unknown.
// Startup (7) is the desktop's autostart folder: $XDG_CONFIG_HOME/autostart, default
// ~/.config/autostart.
QString specialFolderPath(int folderId);

// The folder that holds the running program.
QString applicationFolder();

} // namespace quorvel::platform
