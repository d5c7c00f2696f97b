// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "applicationtitle.h"

#include <QString>

#include <optional>

namespace quorvel::output {

// The texts the save flow and the conversion tool build, in the program's own path form.
QString wavPath(const QString& name); // "c:\" + name + ".wav"
QString mp3Path(const QString& name); // "c:\" + name + ".mp3"
QString saveCommand(const QString& wavPath); // "save capture " + path
// applicationFolder + "\lame " + input + " " + output, as a user would type it.
QString encoderCommandLine(const QString& applicationFolder, const QString& input, const QString& output);
// The encoder program itself, beside the recorder.
QString encoderProgram(const QString& applicationFolder);
QString confirmationText(const QString& path); // "File Saved: " + path + "    Would you like to view the file?"
QString folderViewCommand(const QString& folder); // "explorer.exe " + folder

inline constexpr auto driveRoot = "c:\\";
using ui::applicationTitle;

// Why a typed name can't be used, or nothing when it can: an empty name, one of only blanks or
// dots, or one with a character that file names can't hold would write somewhere unintended.
std::optional<QString> nameProblem(const QString& name);

// A name whose file would be longer than the file system takes.
QString nameTooLongText(std::size_t longestName);

QString replaceQuestion(const QString& path);
// Both files of an MP3 save exist: the MP3 would be replaced, and the WAV written and removed.
QString replaceBothQuestion(const QString& mp3, const QString& wav);
// The save failed for `reason` (the system's words); `closed` when the recording had already
// been closed by an MP3 save.
QString saveFailedText(const QString& path, const QString& reason, bool closed = false);
// The dialog's recording went with a Reset or with the main window: nothing was saved.
QString discardedText();
// The recording holds no audio: nothing was saved.
QString nothingToSaveText();
// A folder has the name the file would get.
QString isFolderText(const QString& path);
QString notPlainFileText(const QString& path);
// The folder that stands for drive C is missing and could not be made.
QString driveCMissingText(const QString& folder, const QString& reason);
// The encoder did not start (`why`, one of the two below): the WAV is what was saved.
QString encoderNotStartedSavedText(const QString& why, const QString& wav);
// The encoder ran and failed (`how` it ended); when `keptWav` is given, the recording is there.
QString encoderFailedText(const QString& output, const QString& how, const QString& keptWav = {});
QString encoderNotStartedText(const QString& program);
// The MP3's folder could not take the encoder's file.
QString outputNotWritableText(const QString& output, const QString& reason);

// The folder of a full file name: the text before its last separator ("C:\Music" for
// "C:\Music\a.mp3", "C:" for "C:\a.mp3"); empty when there is none.
QString GetPath(const QString& fileName);

} // namespace quorvel::output
