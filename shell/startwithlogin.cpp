// SPDX-License-Identifier: GPL-3.0-or-later
#include "startwithlogin.h"

#include "ownfiles.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace quorvel::shell {

namespace {

// A value of a desktop entry's string type: backslashes and control characters escaped.
QString entryString(const QString& text)
{
    QString escaped;
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (ch == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (ch == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (ch == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else
            escaped += ch;
    }
    return escaped;
}

// Writes `data` under a new name in `folder` and renames it to `target`: a link planted under
// that name is replaced, never written through, and a failed write leaves what was there.
bool replaceFile(const QString& folder, const QString& target, const QByteArray& data)
{
    std::filesystem::path made;
    const int fd = platform::createOwnFile(platform::nativePathOf(folder), ".Quorvel.desktop-", "", 0666, made);
    if (fd < 0)
        return false;
    const bool written = platform::writeAllAt(fd, data.constData(), static_cast<std::size_t>(data.size()), 0)
        && platform::syncFile(fd);
    platform::closeFile(fd);
    if (!written || !platform::replaceFile(made, platform::nativePathOf(target))) {
        platform::removeFile(made);
        return false;
    }
    return true;
}

} // namespace

QString GetSpecialFolderPath(int folderId)
{
    return platform::specialFolderPath(folderId);
}

QString desktopExecArgument(const QString& program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString argument = program;
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (std::any_of(argument.begin(), argument.end(), [](QChar ch) { return reserved.contains(ch); })) {
        QString quoted;
        for (const QChar ch : argument) {
            if (ch == QLatin1Char('"') || ch == QLatin1Char('`') || ch == QLatin1Char('$') || ch == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += ch;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return entryString(argument);
}

QByteArray autostartEntry(const QByteArray& source, const platform::ApplicationFiles& files)
{
    // The entry runs the program that wrote it, wherever it was built or copied to.
    QList<QByteArray> lines = source.split('\n');
    bool inMainGroup = false;
    for (QByteArray& line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('['))
            inMainGroup = trimmed == "[Desktop Entry]";
        else if (inMainGroup && trimmed.startsWith("Exec="))
            line = "Exec=" + desktopExecArgument(files.program).toUtf8();
        else if (inMainGroup && trimmed.startsWith("Icon="))
            line = "Icon=" + entryString(files.icon).toUtf8();
    }
    return lines.join('\n');
}

QString Check4_Click(ui::Form8Controls& c, const platform::ApplicationFiles& files)
{
    const QString installed = c.startupFolder + QLatin1String(shortcutName);
    if (ui::checkValue(c.Check4) != 1) {
        c.Check3->setEnabled(false);
        if (!c.startupFolder.isEmpty())
            QFile::remove(installed);
        return {};
    }
    c.Check3->setEnabled(true);
    if (c.startupFolder.isEmpty())
        return QStringLiteral("the folder of programs that start at log-in is not known");
    QFile source(files.shortcutSource);
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("its shortcut, %1, could not be read (%2)")
            .arg(QDir::toNativeSeparators(files.shortcutSource), source.errorString());
    const QByteArray read = source.read(64 * 1024);
    const QByteArray entry = platform::shortcutIsDesktopEntry ? autostartEntry(read, files) : read;
    if (!QDir().mkpath(c.startupFolder))
        return QStringLiteral("the folder %1 could not be made").arg(QDir::toNativeSeparators(c.startupFolder));
    if (!replaceFile(c.startupFolder, installed, entry))
        return QStringLiteral("%1 could not be written (%2)")
            .arg(QDir::toNativeSeparators(installed), QString::fromStdString(platform::errorText(errno)));
    return {};
}

} // namespace quorvel::shell
