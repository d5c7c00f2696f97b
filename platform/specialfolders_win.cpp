// SPDX-License-Identifier: GPL-3.0-or-later
#include "specialfolders.h"

#include <QDir>
#include <QFileInfo>

#include <shlobj.h>
#include <windows.h>

namespace quorvel::platform {

const char* const shortcutName = "/Quorvel.lnk";
const char* const programName = "/quorvel.exe";
const bool shortcutIsDesktopEntry = false;

namespace {

// A file can be made in the folder: asked of the file system, which knows the folder's access
// list, by a file that is gone again when its handle closes.
bool writableFolder(const QString& folder)
{
    const std::wstring probe = QDir::toNativeSeparators(folder + QStringLiteral("/quorvel-probe-")
                                                        + QString::number(::GetCurrentProcessId()))
                                   .toStdWString();
    const HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(handle);
    return true;
}

QString shellFolder(int id)
{
    wchar_t path[MAX_PATH] {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, id, FALSE))
        return {};
    return QDir::fromNativeSeparators(QString::fromWCharArray(path));
}

} // namespace

QString specialFolderPath(int folderId)
{
    return shellFolder(folderId);
}

ApplicationFiles resolveApplicationFiles(const QString& program)
{
    ApplicationFiles files = filesInFolder(QFileInfo(program).absolutePath());
    files.program = program;
    // Installed where the user can't write (Program Files): the settings in %APPDATA%\Quorvel.
    if (!writableFolder(files.folder)) {
        const QString roaming = shellFolder(CSIDL_APPDATA);
        if (!roaming.isEmpty())
            files.settingsFolder = roaming + QStringLiteral("/Quorvel");
    }
    return files;
}

} // namespace quorvel::platform
