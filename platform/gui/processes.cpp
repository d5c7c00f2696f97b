#include "processes.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QProcess>

#include <algorithm>
#include <vector>

namespace quorvel::platform {

namespace {

class SystemProcessStarter final : public ProcessStarter
{
public:
    bool start(const QString&, const QString& program, const QStringList& arguments, bool hidden,
               Finished finished) override
    {
        // No parent: the process is ours to wait for, not the application's to kill on the way out.
        auto* process = new QProcess;
        // There is no window to hide on this desktop; a hidden program keeps its output to itself.
        if (hidden) {
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
        } else {
            process->setProcessChannelMode(QProcess::ForwardedChannels);
        }
        process->start(program, arguments);
        if (!process->waitForStarted(10000)) {
            delete process;
            return false;
        }
        QObject::connect(process, &QProcess::finished, process,
                         [process, finished](int exitCode, QProcess::ExitStatus status) {
                             if (finished)
                                 finished(status == QProcess::CrashExit, exitCode);
                             process->deleteLater();
                         });
        m_running.erase(std::remove(m_running.begin(), m_running.end(), nullptr), m_running.end());
        m_running.emplace_back(process);
        return true;
    }

    void waitForAll(int msecs) override
    {
        QDeadlineTimer deadline(msecs);
        for (const auto& process : m_running) {
            if (process && process->state() != QProcess::NotRunning)
                process->waitForFinished(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
        }
        for (const auto& process : m_running)
            delete process.data();
        m_running.clear();
    }

private:
    std::vector<QPointer<QProcess>> m_running;
};

} // namespace

ProcessStarter& systemProcessStarter()
{
    static SystemProcessStarter instance;
    return instance;
}

} // namespace quorvel::platform
