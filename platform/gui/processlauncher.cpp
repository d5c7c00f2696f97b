// SPDX-License-Identifier: GPL-3.0-or-later
#include "processlauncher.h"

#include <algorithm>

namespace quorvel::platform {

bool LaunchingProcessStarter::launch(const QString& program, const QStringList& arguments, bool hidden,
                                     Finished finished, bool ownSession)
{
    auto* process = new QProcess;
    prepareProcess(*process, hidden, ownSession);
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

void LaunchingProcessStarter::releaseAll()
{
    for (const auto& process : m_running) {
        if (process)
            process->disconnect();
    }
    m_running.clear();
}

} // namespace quorvel::platform
