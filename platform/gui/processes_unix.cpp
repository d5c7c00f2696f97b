// SPDX-License-Identifier: GPL-3.0-or-later
#include "processes.h"

#include "ownfiles.h"
#include "paths.h"
#include "processlauncher.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

// Runs in a shell of its own, behind a subshell that outlives the shell: when this program ends
// and its QProcess kills the shell, the job still finishes. $1 program, $2 input, $3 the file the
// program writes, $4 the output it becomes (only in place of nothing, a plain file or a link), $5
// the input's inode when the input is to go. The job holds a lock on $3 while it runs, so a
// start-up that clears away temporary files leaves it be.
constexpr auto outputScript = R"sh((
exec 9<"$3"; flock -n 9 2>/dev/null
"$1" "$2" "$3" || { status=$?; rm -f -- "$3"; exit $status; }
[ -s "$3" ] || { rm -f -- "$3"; exit 70; }
{ [ -L "$4" ] || [ ! -e "$4" ] || [ -f "$4" ]; } && mv -fT -- "$3" "$4" || { rm -f -- "$3"; exit 73; }
if [ -n "$5" ] && [ "$(stat -c %i -- "$2" 2>/dev/null)" = "$5" ]; then rm -f -- "$2"; fi
) & wait $!)sh";

class SystemProcessStarter final : public LaunchingProcessStarter
{
public:
    int startOutput(const OutputJob& job, Finished finished) override
    {
        // The shell would start even without the program; a missing program is told at once.
        if (!QFileInfo(job.program).isExecutable())
            return -1;
        const QString folder = QFileInfo(job.output).absolutePath();
        std::filesystem::path part;
        const int fd = createOwnFile(nativePathOf(folder), partPrefix(), "", savedFileMode(), part);
        if (fd < 0)
            return errno ? errno : EIO;
        ::close(fd);
        QString inode;
        struct stat info
        {
        };
        if (job.removeInput && ::stat(QFile::encodeName(job.input).constData(), &info) == 0)
            inode = QString::number(info.st_ino);
        const QString partName = QFile::decodeName(QByteArray::fromStdString(part.string()));
        const bool started
            = launch(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), QLatin1String(outputScript), QStringLiteral("quorvel-output"), job.program,
                      job.input, partName, job.output, inode},
                     true, std::move(finished), /*ownSession=*/true);
        if (!started) {
            QFile::remove(partName);
            return -1;
        }
        return 0;
    }
};

} // namespace

void prepareProcess(QProcess& process, bool, bool ownSession)
{
    // A session of its own: a Ctrl+C or a hang-up meant for the recorder does not reach it.
    if (ownSession)
        process.setChildProcessModifier([] { ::setsid(); });
}

ProcessStarter& systemProcessStarter()
{
    static SystemProcessStarter instance;
    return instance;
}

} // namespace quorvel::platform
