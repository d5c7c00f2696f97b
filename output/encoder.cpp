#include "encoder.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace quorvel::output {

int startEncoder(platform::Services& services, const EncoderJob& job, EncoderDone done)
{
    const QFileInfo before(job.input);
    const qint64 inputSize = before.size();
    const QDateTime inputTime = before.lastModified();
    const platform::ProcessStarter::OutputJob run {job.commandLine, job.program, job.input, job.output,
                                                   job.removeInput};
    return services.processes->startOutput(
        run, [job, inputSize, inputTime, done = std::move(done)](bool crashed, int exitCode) {
            const QFileInfo made(job.output);
            if (crashed || exitCode != 0 || !made.isFile() || made.size() == 0) {
                done(false,
                     crashed ? QStringLiteral("it stopped unexpectedly")
                             : QStringLiteral("it ended with status %1").arg(exitCode));
                return;
            }
            const QFileInfo input(job.input);
            if (job.removeInput && input.exists() && input.size() == inputSize && input.lastModified() == inputTime)
                QFile::remove(job.input);
            done(true, QString());
        });
}

} // namespace quorvel::output
