// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

namespace quorvel::platform {

// Starts programs that run on by themselves (the encoder), and says how they ended.
class ProcessStarter
{
public:
    // exitCode is meaningful only when `crashed` is false.
    using Finished = std::function<void(bool crashed, int exitCode)>;

    virtual ~ProcessStarter() = default;
    // `commandLine` is how a user would type it; the program gets `arguments` exactly as they are,
    // blanks included. False when it could not be started at all; then `finished` is never called.
    virtual bool start(const QString& commandLine, const QString& program, const QStringList& arguments, bool hidden,
                       Finished finished)
        = 0;
    // A program that makes `output` from `input` (the encoder), started hidden with the two as
    // its arguments.
    struct OutputJob
    {
        QString commandLine; // as a user would type it
        QString program;
        QString input;
        QString output;
        bool removeInput; // once the output is made, unless the input was replaced meanwhile
    };
    // 0 when it started; -1 when the program could not be started; else the system's error number
    // for the output's folder. The real starter lets the program write a file of its own, created
    // exclusively beside `output`, which replaces `output` (a link there is replaced, never written
    // through) only when the program succeeded and is removed otherwise; the job runs to its end
    // even when this program ends first.
    virtual int startOutput(const OutputJob& job, Finished finished)
    {
        return start(job.commandLine, job.program, {job.input, job.output}, true, std::move(finished)) ? 0 : -1;
    }
    // Called as the program ends: programs still running are left to finish by themselves
    // (their `finished` is not called any more), never killed.
    virtual void releaseAll() { }
};

ProcessStarter& systemProcessStarter();

} // namespace quorvel::platform
