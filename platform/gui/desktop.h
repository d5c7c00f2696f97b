// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace quorvel::platform {

// The desktop's own viewers: the file manager and the web browser.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // Runs a folder view command, "explorer.exe " + folder: the file manager opens the folder; a
    // path in the program's form ("c:\") is mapped first.
    virtual bool viewFolder(const QString& command) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
};

Desktop& systemDesktop();

} // namespace quorvel::platform
