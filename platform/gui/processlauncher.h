#pragma once

#include "processes.h"

#include <QPointer>
#include <QProcess>

#include <functional>
#include <vector>

namespace quorvel::platform {

// The programs this one starts and lets run: each QProcess has no parent, so it is ours to let go,
// not the application's to kill on the way out.
class ProcessLauncher
{
public:
    // Starts the program; `prepare` sets what the system needs before the start (a session of its
    // own, no console window). A hidden program keeps its output to itself. False when it could
    // not be started; then `finished` is never called.
    bool launch(const QString& program, const QStringList& arguments, bool hidden, ProcessStarter::Finished finished,
                const std::function<void(QProcess&)>& prepare = {});
    // Deleting a QProcess kills its program: the programs still running are let go instead, to
    // finish by themselves after this program has ended.
    void releaseAll();

private:
    std::vector<QPointer<QProcess>> m_running;
};

} // namespace quorvel::platform
