// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "processes.h"

#include <QPointer>
#include <QProcess>

#include <vector>

namespace quorvel::platform {

// What the system needs set before a program starts (one definition per system): a session of
// its own on Linux, no console window for a hidden program on Windows.
void prepareProcess(QProcess& process, bool hidden, bool ownSession);

// The starter of both systems but for the encoder's job (startOutput), which each system's
// starter adds. The programs it starts run on: each QProcess has no parent, so it is ours to let
// go, not the application's to kill on the way out.
class LaunchingProcessStarter : public ProcessStarter
{
public:
    bool start(const QString&, const QString& program, const QStringList& arguments, bool hidden,
               Finished finished) override
    {
        return launch(program, arguments, hidden, std::move(finished));
    }

    // Deleting a QProcess kills its program: the programs still running are let go instead, to
    // finish by themselves after this program has ended.
    void releaseAll() override;

protected:
    // A hidden program keeps its output to itself. False when it could not be started; then
    // `finished` is never called.
    bool launch(const QString& program, const QStringList& arguments, bool hidden, Finished finished,
                bool ownSession = false);

private:
    std::vector<QPointer<QProcess>> m_running;
};

} // namespace quorvel::platform
