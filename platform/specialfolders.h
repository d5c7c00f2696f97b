// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quorvel::platform {

// Shell folder identifier of the current user's Startup folder.
constexpr int startupFolderId = 7;

// The folder for a shell folder identifier, without a trailing separator; empty when unknown.
// Startup (7) is the desktop's autostart folder: $XDG_CONFIG_HOME/autostart, default
// ~/.config/autostart.
QString specialFolderPath(int folderId);

// Where the program's own files are. An application folder (the build's app/, or a copy of it)
// holds them all and keeps the settings too, as long as the user can write there; an installed
// program (bin/ beside share/quorvel/) finds its help and desktop entry in the installed data
// folder; it, and a read-only application folder, keep the settings in $XDG_CONFIG_HOME/quorvel.
struct ApplicationFiles
{
    QString folder; // the folder of the running program, without a trailing separator
    QString program; // the running program, absolute
    QString settingsFolder; // where settings9.txt is kept
    QString helpFile; // HELPFILE/HELPFILE.html, the help
    QString shortcutSource; // the desktop entry that "Load At Windows Start" places
    QString encoderFolder; // the folder that holds lame
    QString icon; // the program's icon: a file, or an icon theme name
};

// Everything in one folder, as a test's application folder has it.
ApplicationFiles filesInFolder(const QString& folder);

// For a program at `program` (absolute): resolved as the running program's are.
ApplicationFiles resolveApplicationFiles(const QString& program);

// The running program's, resolved once.
const ApplicationFiles& applicationFiles();

// The shortcut that starts the program, as the Startup folder holds it: "/Quorvel.desktop", a
// desktop entry whose Exec= and Icon= are made to name the running program (autostartEntry), or
// "/Quorvel.lnk", a shell link copied as it is.
extern const char* const shortcutName;
// The program's file in its folder: "/quorvel", or "/quorvel.exe" on Windows.
extern const char* const programName;
// The help, in the program's folder (or in the installed data folder).
inline constexpr auto helpPage = "/HELPFILE/HELPFILE.html";
extern const bool shortcutIsDesktopEntry;

// The program's id on the desktop: the name of its desktop entry, metainfo and icons.
inline constexpr auto desktopId = "org.quorvel.Quorvel";

} // namespace quorvel::platform
