// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop.h"

#include "paths.h"

#include <QDesktopServices>

namespace quorvel::platform {

namespace {

class SystemDesktop final : public Desktop
{
public:
    bool viewFolder(const QString& command) override
    {
        const QString folder = command.section(QLatin1Char(' '), 1);
        const auto path = nativePath(folder.toStdString());
        if (folder.isEmpty() || !path)
            return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path->string())));
    }

    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

} // namespace

Desktop& systemDesktop()
{
    static SystemDesktop instance;
    return instance;
}

} // namespace quorvel::platform
