// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

#include <cstdlib>
#include <windows.h>

namespace quorvel::platform {

std::filesystem::path driveCFolder()
{
    // The root of C: takes no new files from a standard user on current Windows: drive C is the
    // user's profile folder unless told otherwise.
    if (const wchar_t* drive = ::_wgetenv(L"QUORVEL_DRIVE_C"); drive && *drive)
        return drive;
    if (const wchar_t* profile = ::_wgetenv(L"USERPROFILE"); profile && *profile)
        return profile;
    return L"C:\\";
}

std::size_t longestFileName(const std::filesystem::path& folder)
{
    // The volume's longest name, in UTF-16 units; the callers count bytes of the name as typed.
    const std::wstring root = folder.root_path().wstring();
    DWORD longest = 0;
    if (!root.empty() && ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, &longest, nullptr, nullptr, 0)
        && longest > 0)
        return longest;
    return 255;
}

std::filesystem::path spoolFolder()
{
    if (const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA"); local && *local)
        return std::filesystem::path(local) / L"Quorvel";
    return driveCFolder() / L"AppData" / L"Local" / L"Quorvel";
}

} // namespace quorvel::platform
