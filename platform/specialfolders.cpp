#include "specialfolders.h"

#include <QCoreApplication>
#include <QDir>

namespace quorvel::platform {

QString specialFolderPath(int folderId)
{
    if (folderId != startupFolderId)
        return {};
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/autostart"));
}

QString applicationFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace quorvel::platform
