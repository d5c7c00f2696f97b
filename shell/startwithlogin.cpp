#include "startwithlogin.h"

#include "specialfolders.h"

#include <QDir>
#include <QFile>

namespace quorvel::shell {

QString GetSpecialFolderPath(int folderId)
{
    return platform::specialFolderPath(folderId);
}

void Check4_Click(ui::Form8Controls& c, const QString& applicationFolder)
{
    const QString installed = c.startupFolder + QLatin1String(shortcutName);
    if (ui::checkValue(c.Check4) == 1) {
        c.Check3->setEnabled(true);
        const QString source = applicationFolder + QLatin1String(shortcutName);
        if (!QFile::exists(source) || c.startupFolder.isEmpty())
            return;
        QDir().mkpath(c.startupFolder);
        QFile::remove(installed);
        QFile::copy(source, installed);
    } else {
        c.Check3->setEnabled(false);
        if (!c.startupFolder.isEmpty())
            QFile::remove(installed);
    }
}

} // namespace quorvel::shell
