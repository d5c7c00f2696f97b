// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"
#include "mci.h"
#include "notifyicon.h"
#include "services.h"

#include <QDateTime>
#include <QStringList>

#include <memory>
#include <string>

namespace quorvel::test {

// Keeps every command in order and plays a device just well enough for the window: the mode
// follows record, stop, play and close, and the length is whatever the test sets.
class RecordingMci final : public platform::Mci
{
public:
    std::uint32_t sendString(std::string_view command, char* reply, std::uint32_t replyLength) override;

    QStringList commands;
    bool open = false;
    QString mode = QStringLiteral("stopped");
    QString lengthReply = QStringLiteral("0");
    // What "save capture" answers; on success a small file stands in for the recording.
    std::uint32_t saveResult = 0;
    // "record capture" fails, and the mode stays "stopped".
    bool recordFails = false;
    // Why the recording ended by itself, and the system's error for a failed save.
    std::string problemText;
    int saveErrorNumber = 0;
    std::string problem(std::string_view) override { return problemText; }
    int saveError(std::string_view) override { return saveErrorNumber; }
    bool lengthFinal(std::string_view) override { return mode != QLatin1String("recording"); }
    platform::SoundLevel sound; // what the level meter is told
    platform::SoundLevel level(std::string_view, bool) override { return sound; }

    // Commands other than the status monitor's polling.
    QStringList actions() const;
    void clear() { commands.clear(); }
    // Playback reached the end of the recording.
    void finishPlayback()
    {
        if (mode == QLatin1String("playing"))
            mode = QStringLiteral("stopped");
    }
};

class ManualClock final : public platform::Clock
{
public:
    QDateTime now() const override { return current; }
    void advance(int seconds) { current = current.addSecs(seconds); }
    QDateTime current = QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0));
};

// A notification area that records what the tray code did to it.
class FakeNotifyIcon final : public platform::NotifyIcon
{
public:
    ~FakeNotifyIcon() override
    {
        if (last == this)
            last = nullptr;
    }
    bool isAvailable() const override { return available; }
    void add(const QIcon& i) override
    {
        shown = true;
        icon = i;
        ++adds;
    }
    void setIcon(const QIcon& i) override { icon = i; }
    void setTip(const QString& text) override { tip = text; }
    void remove() override { shown = false; }

    static inline FakeNotifyIcon* last = nullptr;
    static inline bool available = true;
    bool shown = false;
    int adds = 0;
    QIcon icon;
    QString tip;
};

std::unique_ptr<platform::NotifyIcon> createFakeNotifyIcon();

// Message boxes that answer from a script and keep what they were asked.
class ScriptedMessageBoxes final : public platform::MessageBoxes
{
public:
    struct Shown
    {
        QString text;
        int style;
        QString title;
    };
    int show(QWidget*, const QString& text, int style, const QString& title) override
    {
        shown.push_back({text, style, title});
        const bool question = (style & 0x7) == 4;
        if (!question)
            return platform::box::answerOk;
        return answers.isEmpty() ? platform::box::answerNo : answers.takeFirst();
    }
    QList<int> answers; // for Yes/No boxes, in order; No when the script runs out
    QList<Shown> shown;
    QStringList texts() const
    {
        QStringList list;
        for (const auto& s : shown)
            list << s.text;
        return list;
    }
};

class ScriptedFileDialogs final : public platform::FileDialogs
{
public:
    struct Shown
    {
        bool save;
        QString title, filter, extension, folder;
    };
    QString openFile(QWidget*, const QString& title, const QString& filter, const QString& extension,
                     const QString& folder) override
    {
        shown.push_back({false, title, filter, extension, folder});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QString saveFile(QWidget*, const QString& title, const QString& filter, const QString& extension,
                     const QString& folder) override
    {
        shown.push_back({true, title, filter, extension, folder});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers; // file names in order; cancelled when the script runs out
    QList<Shown> shown;
};

// Starts nothing; the test decides when and how each process ends.
class FakeProcessStarter final : public platform::ProcessStarter
{
public:
    struct Started
    {
        QString commandLine, program;
        QStringList arguments;
        bool hidden;
        Finished finished;
    };
    bool start(const QString& commandLine, const QString& program, const QStringList& arguments, bool hidden,
               Finished finished) override
    {
        if (!canStart)
            return false;
        started.push_back({commandLine, program, arguments, hidden, std::move(finished)});
        return true;
    }
    int startOutput(const OutputJob& job, Finished finished) override
    {
        return outputError ? outputError : ProcessStarter::startOutput(job, std::move(finished));
    }
    void finish(int index, int exitCode, bool crashed = false) { started[index].finished(crashed, exitCode); }
    bool canStart = true;
    int outputError = 0; // the output's folder can't take the encoder's file, for this reason
    QList<Started> started;
};

class FakeDesktop final : public platform::Desktop
{
public:
    bool viewFolder(const QString& command) override
    {
        folderViews << command;
        return true;
    }
    bool openUrl(const QUrl& url) override
    {
        urls << url;
        return true;
    }
    QStringList folderViews;
    QList<QUrl> urls;
};

// Keeps the system awake only in its count.
class CountingKeepAwake final : public platform::KeepAwake
{
public:
    int inhibits = 0, releases = 0;

protected:
    void inhibit() override { ++inhibits; }
    void uninhibit() override { ++releases; }
};

// Services with the doubles above and an application folder of the test's choosing.
struct TestServices
{
    RecordingMci mci;
    ManualClock clock;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    FakeProcessStarter processes;
    FakeDesktop desktop;
    CountingKeepAwake awake;
    platform::Services services;

    explicit TestServices(const QString& applicationFolder, platform::Mci* device = nullptr)
    {
        services.mci = device ? device : &mci;
        services.clock = &clock;
        services.notifyIcons = &createFakeNotifyIcon;
        services.messageBoxes = &boxes;
        services.fileDialogs = &dialogs;
        services.processes = &processes;
        services.desktop = &desktop;
        services.keepAwake = &awake;
        services.help = &platform::systemHelpViewer();
        services.files = platform::filesInFolder(applicationFolder);
    }
};

} // namespace quorvel::test
