// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveflow.h"

#include "capturecommands.h"
#include "encoder.h"
#include "mci.h"
#include "mci/errors.h"
#include "ownfiles.h"
#include "paths.h"
#include "recordercontext.h"
#include "savestrings.h"

#include <QFileInfo>

#include <QTimer>
#include <cerrno>

namespace quorvel::output {

namespace {

constexpr std::string_view deviceAlias = "capture";

QString native(const QString& programPath)
{
    const auto path = platform::nativePath(programPath.toStdString());
    return path ? platform::pathText(*path) : QString();
}

int ask(SaveContext& ctx, const QString& text, int style)
{
    return ctx.services.messageBoxes->show(ctx.dialog, text, style, QLatin1String(applicationTitle));
}

void offerFolderView(SaveContext& ctx, const QString& savedPath)
{
    if (ask(ctx, confirmationText(savedPath), platform::box::yesNoInformation) == platform::box::answerYes) {
        // "explorer.exe c:\": the folder both kinds of file are written to.
        ctx.services.desktop->viewFolder(folderViewCommand(QLatin1String(driveRoot)));
    }
}

} // namespace

SaveResult saveRecording(SaveContext& ctx)
{
    if (const auto problem = nameProblem(ctx.name)) {
        ask(ctx, *problem, platform::box::okExclamation);
        return SaveResult::KeepDialogOpen;
    }
    // The main window's close took the device and its recording with it.
    if (ctx.discarded || !ctx.main) {
        ask(ctx, discardedText(), platform::box::okExclamation);
        return SaveResult::Discarded;
    }
    const QString wav = wavPath(ctx.name);
    const QString mp3 = mp3Path(ctx.name);
    const QString wavFile = native(wav);
    const QString mp3File = native(mp3);
    const bool toMp3 = ctx.main->Option1->isChecked();

    const auto driveC = platform::driveCFolder();
    if (!platform::makeFolder(driveC)) {
        ask(ctx, driveCMissingText(platform::pathText(driveC), QString::fromStdString(platform::errorText(errno))),
            platform::box::okCritical);
        return SaveResult::KeepDialogOpen;
    }
    const std::size_t longest = platform::longestFileName(driveC);
    if (static_cast<std::size_t>((ctx.name + QStringLiteral(".wav")).toUtf8().size()) > longest) {
        ask(ctx, nameTooLongText(longest), platform::box::okExclamation);
        return SaveResult::KeepDialogOpen;
    }
    // Only nothing, a plain file or a link is ever replaced: a folder, a device, a pipe is left be.
    for (const auto& [path, file] : {std::pair {wav, wavFile}, std::pair {mp3, mp3File}}) {
        if ((file == wavFile || toMp3) && !platform::replaceable(platform::nativePathOf(file))) {
            ask(ctx, errno == EISDIR ? isFolderText(path) : notPlainFileText(path), platform::box::okExclamation);
            return SaveResult::KeepDialogOpen;
        }
    }

    // A recording that never took any audio (its start failed) is not saved as if it had.
    auto& mci = *ctx.services.mci;
    if (!recorder::query(mci, recorder::command::statusMode).isEmpty()) {
        recorder::send(mci, recorder::command::timeFormatBytes);
        if (recorder::queryNumber(mci, recorder::command::statusLength) == 0) {
            ask(ctx, nothingToSaveText(), platform::box::okExclamation);
            return SaveResult::KeepDialogOpen;
        }
    }

    const bool mp3Exists = toMp3 && QFileInfo::exists(mp3File);
    const bool wavExists = QFileInfo::exists(wavFile);
    const QString question = mp3Exists && wavExists ? replaceBothQuestion(mp3, wav)
        : mp3Exists                                 ? replaceQuestion(mp3)
        : wavExists                                 ? replaceQuestion(wav)
                                                    : QString();
    if (!question.isEmpty() && ask(ctx, question, platform::box::yesNoExclamation) != platform::box::answerYes)
        return SaveResult::KeepDialogOpen;

    const QByteArray command = saveCommand(wav).toUtf8();
    const auto result = mci.sendString(std::string_view(command.constData(), command.size()), nullptr, 0);
    if (result != 0) {
        const std::string because = platform::errorText(mci.saveError(deviceAlias));
        const auto deviceError = platform::mciErrorText(result);
        const QString reason = !because.empty()
            ? QString::fromStdString(because) + QLatin1Char('.')
            : QString::fromUtf8(deviceError.data(), static_cast<qsizetype>(deviceError.size()));
        // Only an MP3 save closes the device while the main window is loaded.
        const bool closed = result == platform::InvalidDevice && ctx.main->deviceClosed;
        ask(ctx, saveFailedText(wav, reason, closed), platform::box::okCritical);
        return SaveResult::KeepDialogOpen;
    }

    if (!toMp3) {
        offerFolderView(ctx, wav);
        return SaveResult::Saved;
    }

    const QString& folder = ctx.services.files.encoderFolder;
    platform::Services* services = &ctx.services;
    // The confirmation waits for the encoder: it is said only of an MP3 that is there.
    const int started = startEncoder(
        ctx.services,
        EncoderJob {encoderCommandLine(folder, wav, mp3), encoderProgram(folder), wavFile, mp3File, mp3,
                    /*removeInput=*/true},
        [services, mp3, wav](bool made, const QString& failure) {
            const QString title = QLatin1String(applicationTitle);
            if (!made) {
                services->messageBoxes->show(nullptr, encoderFailedText(mp3, failure, wav), platform::box::okCritical,
                                             title);
                return;
            }
            if (services->messageBoxes->show(nullptr, confirmationText(mp3), platform::box::yesNoInformation, title)
                == platform::box::answerYes)
                services->desktop->viewFolder(folderViewCommand(QLatin1String(driveRoot)));
        });
    // When the encoder can't run, the WAV is what was saved, and it stays.
    if (started != 0) {
        const QString why = started < 0
            ? encoderNotStartedText(encoderProgram(folder))
            : outputNotWritableText(mp3, QString::fromStdString(platform::errorText(started)));
        ask(ctx, encoderNotStartedSavedText(why, wav), platform::box::okCritical);
        offerFolderView(ctx, wav);
    }
    recorder::send(mci, recorder::command::closeAll);
    ctx.main->deviceClosed = true;
    ctx.main->Timer2->stop();
    return SaveResult::Saved;
}

} // namespace quorvel::output
