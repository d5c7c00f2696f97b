// SPDX-License-Identifier: GPL-3.0-or-later
#include "savestrings.h"

namespace quorvel::output {

QString wavPath(const QString& name)
{
    return QLatin1String(driveRoot) + name + QStringLiteral(".wav");
}

QString mp3Path(const QString& name)
{
    return QLatin1String(driveRoot) + name + QStringLiteral(".mp3");
}

QString saveCommand(const QString& wavPath)
{
    return QStringLiteral("save capture ") + wavPath;
}

QString encoderCommandLine(const QString& applicationFolder, const QString& input, const QString& output)
{
    return applicationFolder + QStringLiteral("\\") + QStringLiteral("lame ") + input + QStringLiteral(" ") + output;
}

QString encoderProgram(const QString& applicationFolder)
{
    return applicationFolder + QStringLiteral("/lame");
}

QString confirmationText(const QString& path)
{
    return QStringLiteral("File Saved: ") + path + QStringLiteral("    Would you like to view the file?");
}

QString folderViewCommand(const QString& folder)
{
    return QStringLiteral("explorer.exe ") + folder;
}

std::optional<QString> nameProblem(const QString& name)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    bool onlyBlanksOrDots = true;
    bool badCharacter = false;
    for (const QChar ch : name) {
        if (ch != QLatin1Char(' ') && ch != QLatin1Char('.'))
            onlyBlanksOrDots = false;
        if (forbidden.contains(ch) || ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            badCharacter = true;
    }
    if (!badCharacter && !onlyBlanksOrDots)
        return std::nullopt;
    return QStringLiteral("This name can't be used for a file. A name must not be empty or only blanks or dots, "
                          "and must not contain any of these characters:  \\ / : * ? \" < > |  nor control "
                          "characters.");
}

QString replaceQuestion(const QString& path)
{
    return path + QStringLiteral(" already exists. Do you want to replace it?");
}

QString nameTooLongText(std::size_t longestName)
{
    return QStringLiteral("This name is too long for a file: with its extension a file name can have at most %1 "
                          "bytes here. Please type a shorter name.")
        .arg(longestName);
}

QString replaceBothQuestion(const QString& mp3, const QString& wav)
{
    return mp3 + QStringLiteral(" and ") + wav + QStringLiteral(" already exist. Do you want to replace them?");
}

QString saveFailedText(const QString& path, const QString& reason, bool closed)
{
    const QString what = QStringLiteral("The recording could not be saved as ") + path + QStringLiteral(".\n\n");
    if (closed)
        return what
            + QStringLiteral("The recording was closed with the MP3 save and is no longer there: press Reset "
                             "to make a new one.");
    return what + reason + QStringLiteral("\n\nThe recording is still there: you can save it under another name.");
}

QString discardedText()
{
    return QStringLiteral("Nothing was saved: the recording went with the main window, which was closed.");
}

QString nothingToSaveText()
{
    return QStringLiteral("Nothing was saved: the recording holds no audio.");
}

QString isFolderText(const QString& path)
{
    return path + QStringLiteral(" is a folder. Please type another name.");
}

QString notPlainFileText(const QString& path)
{
    return path
        + QStringLiteral(
               " is not a plain file (a device, a pipe or a socket has that name). Please type another name.");
}

QString driveCMissingText(const QString& folder, const QString& reason)
{
    return QStringLiteral("Nothing was saved: the folder that stands for drive C, ") + folder
        + QStringLiteral(", does not exist and could not be made (") + reason + QStringLiteral(").");
}

QString encoderNotStartedSavedText(const QString& why, const QString& wav)
{
    return why + QStringLiteral("\n\nNo MP3 file was made. The recording was saved as ") + wav
        + QStringLiteral(", which is kept.");
}

QString encoderFailedText(const QString& output, const QString& how, const QString& keptWav)
{
    QString text = QStringLiteral("The MP3 encoder could not make ") + output + QStringLiteral(" (") + how
        + QStringLiteral("). No MP3 file was made.");
    if (!keptWav.isEmpty())
        text += QStringLiteral("\n\nThe recording was saved as ") + keptWav + QStringLiteral(", which is kept.");
    return text;
}

QString encoderNotStartedText(const QString& program)
{
    return QStringLiteral("The MP3 encoder could not be started: ") + program;
}

QString outputNotWritableText(const QString& output, const QString& reason)
{
    return QStringLiteral("The MP3 file ") + output + QStringLiteral(" can't be written (") + reason
        + QStringLiteral(").");
}

QString GetPath(const QString& fileName)
{
    // The program's own paths use backslashes; the file dialogs here give slashes.
    for (qsizetype i = fileName.size() - 1; i >= 0; --i) {
        if (fileName.at(i) == QLatin1Char('\\') || fileName.at(i) == QLatin1Char('/'))
            return i == 0 ? QStringLiteral("/") : fileName.left(i);
    }
    return {};
}

} // namespace quorvel::output
