; SPDX-License-Identifier: GPL-3.0-or-later
; The Quorvel installer: for the current user alone (no administrator), into
; %LOCALAPPDATA%\Programs\Quorvel, with a Start-menu shortcut and an uninstaller. Built by
; tools/windows/build.sh: makensis -DAPP_DIR=<application folder> -DVERSION=<x.y> -DOUT=<file>
Unicode true
; A 64-bit installer for a 64-bit program (and for Wine without its 32-bit half).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

Name "Quorvel"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Quorvel"
InstallDirRegKey HKCU "Software\Quorvel" "InstallDir"

LicenseData "${APP_DIR}\LICENSE.txt"
Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Quorvel"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${APP_DIR}\*.*"
    ; The source of "Load At Windows Start": a shell link to this program, copied into the
    ; Startup folder as it is.
    CreateShortcut "$INSTDIR\Quorvel.lnk" "$INSTDIR\quorvel.exe" "" "$INSTDIR\quorvel.exe" 0
    CreateShortcut "$SMPROGRAMS\Quorvel.lnk" "$INSTDIR\quorvel.exe" "" "$INSTDIR\quorvel.exe" 0
    WriteRegStr HKCU "Software\Quorvel" "InstallDir" "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel" "DisplayName" "Quorvel"
    WriteRegStr HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel" "NoModify" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Quorvel.lnk"
    ; The settings and recordings are the user's: only the program's own files go.
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\HELPFILE"
    RMDir /r "$INSTDIR\licenses"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\*.exe"
    Delete "$INSTDIR\quorvel.png"
    Delete "$INSTDIR\Quorvel.lnk"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"
    DeleteRegKey HKCU "Software\Quorvel"
SectionEnd
