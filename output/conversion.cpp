// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion.h"

#include "encoder.h"
#include "ownfiles.h"
#include "paths.h"
#include "savestrings.h"

namespace quorvel::output {

QString reportText(const QString& mp3File)
{
    return QStringLiteral("Your MP3 has been created:  ") + mp3File;
}

void convertWavToMp3(QWidget* owner, platform::Services& services)
{
    const QString start = platform::pathText(platform::driveCFolder());
    const QString wav = services.fileDialogs->openFile(
        owner, QLatin1String(wavDialogTitle), QLatin1String(wavDialogFilter), QLatin1String(wavDialogExtension), start);
    if (wav.isEmpty())
        return;
    const QString mp3 = services.fileDialogs->saveFile(
        owner, QLatin1String(mp3DialogTitle), QLatin1String(mp3DialogFilter), QLatin1String(mp3DialogExtension), start);
    if (mp3.isEmpty())
        return;

    const QString title = QLatin1String(applicationTitle);
    const QString program = encoderProgram(services.files.encoderFolder);
    const QString commandLine = encoderCommandLine(services.files.encoderFolder, wav, mp3);
    platform::Services* s = &services;
    // The report and the question wait for the encoder: they are said only of an MP3 that is there.
    const int started = startEncoder(
        services, EncoderJob {commandLine, program, wav, mp3, mp3, /*removeInput=*/false},
        [s, mp3, title](bool made, const QString& failure) {
            if (!made) {
                s->messageBoxes->show(nullptr, encoderFailedText(mp3, failure), platform::box::okOnly, title);
                return;
            }
            s->messageBoxes->show(nullptr, reportText(mp3), platform::box::okOnly, title);
            const QString folder = GetPath(mp3);
            if (s->messageBoxes->show(nullptr, QLatin1String(viewQuestion), platform::box::yesNoInformation, title)
                == platform::box::answerYes)
                s->desktop->viewFolder(folderViewCommand(folder));
        });
    if (started < 0)
        services.messageBoxes->show(owner, encoderNotStartedText(program), platform::box::okOnly, title);
    else if (started > 0)
        services.messageBoxes->show(owner,
                                    outputNotWritableText(mp3, QString::fromStdString(platform::errorText(started))),
                                    platform::box::okOnly, title);
}

} // namespace quorvel::output
