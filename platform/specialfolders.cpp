// SPDX-License-Identifier: GPL-3.0-or-later
#include "specialfolders.h"

#include <QCoreApplication>

namespace quorvel::platform {

ApplicationFiles filesInFolder(const QString& folder)
{
    ApplicationFiles files;
    files.folder = folder;
    files.program = folder + QLatin1String(programName);
    files.settingsFolder = folder;
    files.helpFile = folder + QLatin1String(helpPage);
    files.shortcutSource = folder + QLatin1String(shortcutName);
    files.encoderFolder = folder;
    files.icon = folder + QStringLiteral("/quorvel.png");
    return files;
}

const ApplicationFiles& applicationFiles()
{
    static const ApplicationFiles files = resolveApplicationFiles(QCoreApplication::applicationFilePath());
    return files;
}

} // namespace quorvel::platform
