// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoder.h"

#include "ownfiles.h"
#include "paths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace quorvel::output {

int startEncoder(platform::Services& services, const EncoderJob& job, EncoderDone done)
{
    const QFileInfo before(job.input);
    const qint64 inputSize = before.size();
    const QDateTime inputTime = before.lastModified();
    // Something that is not a plain file under the output's name is never replaced.
    if (!platform::replaceable(platform::nativePathOf(job.output)))
        return errno;
    // The encoder is handed whole paths: a relative one that starts with "-" would be read as an
    // option.
    const auto whole = [](const QString& path) {
        return QFileInfo(path).absoluteFilePath();
    };
    const platform::ProcessStarter::OutputJob run {job.commandLine, job.program, whole(job.input), whole(job.output),
                                                   job.removeInput};
    // The system stays awake until the MP3 is made (while this program runs to see it).
    auto making = std::make_shared<char>();
    platform::KeepAwake* awake = services.keepAwake;
    awake->hold(making.get(), true);
    const int started = services.processes->startOutput(
        run, [job, inputSize, inputTime, done = std::move(done), making, awake](bool crashed, int exitCode) {
            awake->hold(making.get(), false);
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
    if (started != 0)
        awake->hold(making.get(), false);
    return started;
}

} // namespace quorvel::output
