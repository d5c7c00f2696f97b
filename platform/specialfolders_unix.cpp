// SPDX-License-Identifier: GPL-3.0-or-later
#include "specialfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace quorvel::platform {

const char* const shortcutName = "/Quorvel.desktop";
const char* const programName = "/quorvel";
const bool shortcutIsDesktopEntry = true;

namespace {

QString configHome()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config);
}

bool writableFolder(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// The installed data folder, found from the program's own place (bin/ beside share/), so that an
// install in any prefix, or one moved whole, finds its files.
QString installedDataFolder(const QString& programFolder)
{
    return QDir::cleanPath(programFolder + QStringLiteral("/../share"));
}

} // namespace

QString specialFolderPath(int folderId)
{
    if (folderId != startupFolderId)
        return {};
    return configHome() + QStringLiteral("/autostart");
}

ApplicationFiles resolveApplicationFiles(const QString& program)
{
    const QString folder = QFileInfo(program).absolutePath();
    ApplicationFiles files = filesInFolder(folder);
    files.program = program;
    // Installed: bin/ beside share/quorvel. Such a bin/ may still be writable (to root), and is
    // no place for settings.
    const QString data = installedDataFolder(folder);
    const bool installed = QFileInfo(data + QStringLiteral("/quorvel")).isDir();
    if (installed || !writableFolder(folder))
        files.settingsFolder = configHome() + QStringLiteral("/quorvel");
    if (!QFileInfo(files.helpFile).isFile() && installed)
        files.helpFile = data + QStringLiteral("/quorvel") + QLatin1String(helpPage);
    if (!QFileInfo(files.shortcutSource).isFile() && installed)
        files.shortcutSource
            = data + QStringLiteral("/applications/") + QLatin1String(desktopId) + QStringLiteral(".desktop");
    if (!QFileInfo(files.icon).isFile())
        files.icon = QLatin1String(desktopId);
    // The encoder beside the program; without one, the system's.
    if (!QFileInfo(folder + QStringLiteral("/lame")).isExecutable()) {
        const QString system = QStandardPaths::findExecutable(QStringLiteral("lame"));
        if (!system.isEmpty())
            files.encoderFolder = QFileInfo(system).absolutePath();
    }
    return files;
}

} // namespace quorvel::platform
