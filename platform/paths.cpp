// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

#include <QDir>
#include <QFile>

#include <string>
#include <type_traits>

namespace quorvel::platform {

namespace {

// The program's paths are UTF-8, whatever the system's own narrow encoding.
std::filesystem::path fromUtf8(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

} // namespace

std::optional<std::filesystem::path> nativePath(std::string_view programPath)
{
    bool onDriveC = false;
    if (programPath.size() >= 2 && programPath[1] == ':') {
        const char letter = programPath[0];
        if (letter != 'c' && letter != 'C')
            return std::nullopt;
        onDriveC = true;
        programPath.remove_prefix(2);
    }
    // A path already in this system's form ("/home/...") is left as it is.
    if (!onDriveC && !programPath.empty() && programPath.front() == '/')
        return fromUtf8(programPath);
    const bool rooted = !programPath.empty() && programPath.front() == '\\';
    std::string rest(programPath);
    for (char& c : rest) {
        if (c == '\\')
            c = '/';
    }
    if (!onDriveC && !rooted)
        return fromUtf8(rest);
    const auto first = rest.find_first_not_of('/');
    return driveCFolder() / fromUtf8(first == std::string::npos ? std::string() : rest.substr(first));
}

std::filesystem::path nativePathOf(const QString& path)
{
    if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>)
        return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
    else
        return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString pathText(const std::filesystem::path& path)
{
    if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>)
        return QDir::fromNativeSeparators(QString::fromStdWString(path.wstring()));
    else
        return QString::fromStdString(path.string());
}

} // namespace quorvel::platform
