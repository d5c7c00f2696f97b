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
    // Gives programs still running time to finish (their `finished` runs as usual); called once
    // the windows have closed, so an encoder isn't cut off when the recorder ends.
    virtual void waitForAll(int msecs) { Q_UNUSED(msecs); }
};

ProcessStarter& systemProcessStarter();

} // namespace quorvel::platform
