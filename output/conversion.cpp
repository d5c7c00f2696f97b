#include "conversion.h"

#include "encoder.h"
#include "savestrings.h"

namespace quorvel::output {

QString reportText(const QString& mp3File)
{
    return QStringLiteral("Your MP3 has been created:  ") + mp3File;
}

void convertWavToMp3(QWidget* owner, platform::Services& services)
{
    const QString wav = services.fileDialogs->openFile(
        owner, QLatin1String(wavDialogTitle), QLatin1String(wavDialogFilter), QLatin1String(wavDialogExtension));
    if (wav.isEmpty())
        return;
    const QString mp3 = services.fileDialogs->saveFile(
        owner, QLatin1String(mp3DialogTitle), QLatin1String(mp3DialogFilter), QLatin1String(mp3DialogExtension));
    if (mp3.isEmpty())
        return;

    const QString title = QLatin1String(applicationTitle);
    const QString program = encoderProgram(services.applicationFolder);
    const QString commandLine = encoderCommandLine(services.applicationFolder, wav, mp3);
    if (!startEncoder(services, EncoderJob {commandLine, program, wav, mp3, mp3, /*removeInput=*/false})) {
        services.messageBoxes->show(owner, encoderNotStartedText(program), platform::box::okOnly, title);
        return;
    }
    services.messageBoxes->show(owner, reportText(mp3), platform::box::okOnly, title);
    const QString folder = GetPath(mp3);
    if (services.messageBoxes->show(owner, QLatin1String(viewQuestion), platform::box::yesNoInformation, title)
        == platform::box::answerYes)
        services.desktop->viewFolder(folderViewCommand(folder));
}

} // namespace quorvel::output
