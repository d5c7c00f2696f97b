#include "processes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QProcess>

#include <vector>

namespace quorvel::platform {

namespace {

class SystemProcessStarter final : public ProcessStarter
{
public:
    ~SystemProcessStarter() override
    {
        // An encoder still running when the program ends gets time to finish its file.
        QDeadlineTimer deadline(std::chrono::minutes(2));
        for (const auto& process : m_running) {
            if (process)
                process->waitForFinished(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
        }
    }

    bool start(const QString&, const QString& program, const QStringList& arguments, bool hidden,
               Finished finished) override
    {
        auto* process = new QProcess(QCoreApplication::instance());
        // There is no window to hide on this desktop; a hidden program just keeps its output to itself.
        process->setProcessChannelMode(hidden ? QProcess::ForwardedErrorChannel : QProcess::ForwardedChannels);
        if (hidden)
            process->setStandardOutputFile(QProcess::nullDevice());
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
