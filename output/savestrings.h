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
// The save failed; `closed` when the recording had already been closed by an MP3 save.
QString saveFailedText(const QString& path, const QString& deviceError, bool closed = false);
// The encoder did not start: the WAV is what was saved.
QString encoderNotStartedSavedText(const QString& program, const QString& wav);
QString encoderFailedText(const QString& output, int exitCode, bool crashed);
QString encoderNotStartedText(const QString& program);

// The folder of a full file name: the text before its last separator ("C:\Music" for
// "C:\Music\a.mp3", "C:" for "C:\a.mp3"); empty when there is none.
QString GetPath(const QString& fileName);

} // namespace quorvel::output
