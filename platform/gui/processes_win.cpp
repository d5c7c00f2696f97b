// SPDX-License-Identifier: GPL-3.0-or-later
#include "processes.h"

#include "ownfiles.h"
#include "paths.h"
#include "processlauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cerrno>

#include <windows.h>

namespace quorvel::platform {

namespace {

class SystemProcessStarter final : public LaunchingProcessStarter
{
public:
    int startOutput(const OutputJob& job, Finished finished) override
    {
        if (executable(job.program).isEmpty())
            return -1;
        // The encoder writes a file of our own beside the output, which becomes the output only
        // when the encoder succeeded. Should this program end first, the encoder still finishes;
        // its file is then cleared away at the next start and the input stays.
        std::filesystem::path part;
        const int fd = createOwnFile(nativePathOf(QFileInfo(job.output).absolutePath()), partPrefix(), "", 0666, part);
        if (fd < 0)
            return errno ? errno : EIO;
        closeFile(fd);
        const QString partName = QString::fromStdWString(part.wstring());
        BY_HANDLE_FILE_INFORMATION before {};
        const bool knowInput = job.removeInput && fileIdentity(job.input, before);
        auto done = [job, partName, knowInput, before, finished](bool crashed, int exitCode) {
            const auto partPath = nativePathOf(partName);
            bool ok = !crashed && exitCode == 0 && QFileInfo(partName).size() > 0;
            if (!ok && !crashed && exitCode == 0)
                exitCode = 70;
            if (ok && !replaceFile(partPath, nativePathOf(job.output))) {
                ok = false;
                exitCode = 73;
            }
            if (!ok)
                removeFile(partPath);
            BY_HANDLE_FILE_INFORMATION now {};
            if (ok && knowInput && fileIdentity(job.input, now) && now.nFileIndexHigh == before.nFileIndexHigh
                && now.nFileIndexLow == before.nFileIndexLow)
                QFile::remove(job.input);
            if (finished)
                finished(crashed, exitCode);
        };
        if (!launch(executable(job.program), {job.input, partName}, true, std::move(done))) {
            removeFile(part);
            return -1;
        }
        return 0;
    }

private:
    // The program file, as Windows finds it: a name without an extension is the .exe of it.
    static QString executable(const QString& program)
    {
        if (QFileInfo(program).isFile())
            return program;
        if (QFileInfo(program).suffix().isEmpty() && QFileInfo(program + QStringLiteral(".exe")).isFile())
            return program + QStringLiteral(".exe");
        return {};
    }

    // The file's identity on its volume: a file put in the input's place meanwhile is not removed.
    static bool fileIdentity(const QString& path, BY_HANDLE_FILE_INFORMATION& info)
    {
        const HANDLE handle
            = ::CreateFileW(nativePathOf(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = ::GetFileInformationByHandle(handle, &info);
        ::CloseHandle(handle);
        return ok;
    }
};

} // namespace

void prepareProcess(QProcess& process, bool hidden, bool)
{
    // No console window for a hidden program (the encoder is a console program).
    if (hidden)
        process.setCreateProcessArgumentsModifier(
            [](QProcess::CreateProcessArguments* args) { args->flags |= CREATE_NO_WINDOW; });
}

ProcessStarter& systemProcessStarter()
{
    static SystemProcessStarter instance;
    return instance;
}

} // namespace quorvel::platform
