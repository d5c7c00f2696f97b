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
    bool isShown() const override { return shown; }

    void click() { emit leftButtonUp(); }

    static inline FakeNotifyIcon* last = nullptr;
    static inline bool available = true;
    bool shown = false;
    int adds = 0;
    QIcon icon;
    QString tip;
};

std::unique_ptr<platform::NotifyIcon> createFakeNotifyIcon();

// Services with the doubles above and an application folder of the test's choosing.
struct TestServices
{
    RecordingMci mci;
    ManualClock clock;
    platform::Services services;

    explicit TestServices(const QString& applicationFolder)
    {
        services.mci = &mci;
        services.clock = &clock;
        services.notifyIcons = &createFakeNotifyIcon;
        services.applicationFolder = applicationFolder;
    }
};

} // namespace quorvel::test
