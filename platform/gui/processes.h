#pragma once

#include <QString>
#include <QStringList>

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
};

ProcessStarter& systemProcessStarter();

} // namespace quorvel::platform
