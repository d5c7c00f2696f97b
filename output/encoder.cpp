#include "encoder.h"

#include "savestrings.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace quorvel::output {

bool startEncoder(platform::Services& services, const EncoderJob& job)
{
    const QFileInfo before(job.input);
    const qint64 inputSize = before.size();
    const QDateTime inputTime = before.lastModified();
    platform::MessageBoxes* boxes = services.messageBoxes;
    return services.processes->start(job.commandLine, job.program, {job.input, job.output}, /*hidden=*/true,
                                     [job, inputSize, inputTime, boxes](bool crashed, int exitCode) {
                                         const QFileInfo made(job.output);
                                         if (crashed || exitCode != 0 || !made.exists() || made.size() == 0) {
                                             boxes->show(nullptr, encoderFailedText(job.outputText, exitCode, crashed),
                                                         platform::box::okCritical, QLatin1String(applicationTitle));
                                             return;
                                         }
                                         const QFileInfo input(job.input);
                                         if (job.removeInput && input.size() == inputSize
                                             && input.lastModified() == inputTime)
                                             QFile::remove(job.input);
                                     });
}

} // namespace quorvel::output
