// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles.h"

#include "paths.h"

#include <QFile>

#include <cstring>

namespace quorvel::test {

namespace {

void copyReply(const QString& text, char* reply, std::uint32_t replyLength)
{
    if (!reply || replyLength == 0)
        return;
    const QByteArray bytes = text.toUtf8().left(static_cast<qsizetype>(replyLength - 1));
    std::memcpy(reply, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    reply[bytes.size()] = '\0';
}

} // namespace

std::uint32_t RecordingMci::sendString(std::string_view command, char* reply, std::uint32_t replyLength)
{
    const QString text = QString::fromUtf8(command.data(), static_cast<qsizetype>(command.size()));
    commands << text;
    copyReply(QString(), reply, replyLength);
    if (text == QLatin1String("close all") || text == QLatin1String("close capture")) {
        open = false;
        return 0;
    }
    if (text == QLatin1String("open new type waveaudio alias capture")) {
        if (open)
            return 289;
        open = true;
        mode = QStringLiteral("stopped");
        lengthReply = QStringLiteral("0");
        return 0;
    }
    if (!open)
        return 263;
    if (text == QLatin1String("record capture")) {
        if (recordFails)
            return 286;
        mode = QStringLiteral("recording");
    } else if (text == QLatin1String("stop capture"))
        mode = QStringLiteral("stopped");
    else if (text.startsWith(QLatin1String("play capture")))
        mode = QStringLiteral("playing");
    else if (text.startsWith(QLatin1String("save capture "))) {
        if (saveResult != 0)
            return saveResult;
        const auto path = platform::nativePath(text.mid(13).toStdString());
        QFile file(QString::fromStdString(path ? path->string() : std::string()));
        if (!path || !file.open(QIODevice::WriteOnly))
            return 286;
        file.write("RIFF recording");
    } else if (text == QLatin1String("status capture mode"))
        copyReply(mode, reply, replyLength);
    else if (text == QLatin1String("status capture length"))
        copyReply(lengthReply, reply, replyLength);
    return 0;
}

QStringList RecordingMci::actions() const
{
    QStringList result;
    for (const QString& command : commands) {
        if (!command.startsWith(QLatin1String("status ")) && command != QLatin1String("set capture time format bytes"))
            result << command;
    }
    return result;
}

std::unique_ptr<platform::NotifyIcon> createFakeNotifyIcon()
{
    auto icon = std::make_unique<FakeNotifyIcon>();
    FakeNotifyIcon::last = icon.get();
    return icon;
}

} // namespace quorvel::test
