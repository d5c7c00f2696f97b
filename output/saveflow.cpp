#include "saveflow.h"

#include "capturecommands.h"
#include "encoder.h"
#include "mci.h"
#include "mci/errors.h"
#include "paths.h"
#include "recordercontext.h"
#include "savestrings.h"

#include <QFileInfo>
#include <QTimer>

namespace quorvel::output {

namespace {

QString native(const QString& programPath)
{
    const auto path = platform::nativePath(programPath.toStdString());
    return path ? QString::fromStdString(path->string()) : QString();
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
    const QString wav = wavPath(ctx.name);
    const QString mp3 = mp3Path(ctx.name);
    const QString wavFile = native(wav);
    const QString mp3File = native(mp3);
    const bool toMp3 = ctx.main && ctx.main->Option1->isChecked();

    const std::size_t longest = platform::longestFileName(platform::driveCFolder());
    if (static_cast<std::size_t>((ctx.name + QStringLiteral(".wav")).toUtf8().size()) > longest) {
        ask(ctx, nameTooLongText(longest), platform::box::okExclamation);
        return SaveResult::KeepDialogOpen;
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
    const auto result = ctx.services.mci->sendString(std::string_view(command.constData(), command.size()), nullptr, 0);
    if (result != 0) {
        const auto why = platform::mciErrorText(result);
        // Only an MP3 save closes the device while the main window is loaded.
        const bool closed = result == platform::InvalidDevice && ctx.main && !ctx.main->Timer2->isActive();
        ask(ctx, saveFailedText(wav, QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())), closed),
            platform::box::okCritical);
        return SaveResult::KeepDialogOpen;
    }

    if (!toMp3) {
        offerFolderView(ctx, wav);
        return SaveResult::Saved;
    }

    const QString& folder = ctx.services.applicationFolder;
    const bool started
        = startEncoder(ctx.services,
                       EncoderJob {encoderCommandLine(folder, wav, mp3), encoderProgram(folder), wavFile, mp3File, mp3,
                                   /*removeInput=*/true});
    // When the encoder can't run, the WAV is what was saved, and it stays.
    if (!started)
        ask(ctx, encoderNotStartedSavedText(encoderProgram(folder), wav), platform::box::okCritical);
    offerFolderView(ctx, started ? mp3 : wav);
    recorder::send(*ctx.services.mci, recorder::command::closeAll);
    ctx.main->Timer2->stop();
    return SaveResult::Saved;
}

} // namespace quorvel::output
