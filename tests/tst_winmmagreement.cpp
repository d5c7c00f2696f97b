// SPDX-License-Identifier: GPL-3.0-or-later
// A second opinion on the device's grammar, errors and status words: the same commands, in
// order, through Windows' own MCI (Wine's winmm, its waveaudio driver) and through ours. Built
// and run only in the Windows build.

#include <windows.h>

#include <mmsystem.h>
#undef mciSendString // windows.h names winmm's function so; ours is in its namespace

#include "mci.h"

#include <QTest>

namespace quorvel::test {

class TestWinmmAgreement : public QObject
{
    Q_OBJECT

private slots:
    void sameReplies()
    {
        // Each command with the code our device answers where winmm answers otherwise, and why.
        struct Row
        {
            const char* command;
            int ours = -1; // -1: the two agree, code and reply
            const char* why = "";
        };
        const Row rows[] {
            {"open new type waveaudio alias a"},
            {"open new type waveaudio alias a"},
            {"open new type waveaudio"},
            {"open new type waveaudio alias b"},
            {"close b"},
            {"status a mode"},
            {"status a length", 0, "a new recording is 0 long; winmm's needs a file first (274)"},
            {"status a position", 0, "likewise"},
            {"status a time format"},
            {"status a samplespersec"},
            {"status a channels"},
            {"status a bitspersample"},
            {"status a alignment"},
            {"status a bytespersec"},
            {"set a time format bytes"},
            {"status a time format"},
            {"set a time format milliseconds"},
            {"set a time format frames", 290, "a unit the device has not is a bad value, not a bad command (261)"},
            {"set a samplespersec 44100 channels 2 bitspersample 16"},
            {"status a samplespersec"},
            {"status a channels"},
            {"status a bitspersample"},
            {"status a alignment", 0, "ours follows the format (4); winmm keeps the old one"},
            {"status a bytespersec", 0, "likewise (176400)"},
            {"set a bitspersample 12", 282, "no such PCM sample size; winmm takes it"},
            {"set a channels x"},
            {"set a samplespersec"},
            {"set a alignment 3", 282, "an alignment that contradicts the format; winmm takes it"},
            {"status a"},
            {"status a frobnicate", 259, "an unknown item (winmm: unknown command, 261)"},
            {"frob a"},
            {""},
            {"status z mode", 263, "an alias that is not open (winmm: 281)"},
            {"close z"},
            {"STATUS A MODE"},
            {"status   a   mode", 0, "runs of blanks are one separator (winmm: 281)"},
            {"status \"a\" mode"},
            {"status \"a mode"},
            {"status \"a\"x mode"},
            {"play a", 0, "an empty recording plays nothing (winmm: no file, 275)"},
            {"stop a"},
            {"play a from 5", 282, "past the end (winmm: no file, 275)"},
            {"save a", 273, "no path (winmm: 5)"},
            {"close a"},
            {"close all"},
            {"close all"},
        };
        for (const Row& row : rows) {
            char theirs[256] {};
            char ours[256] {};
            const unsigned winmm = ::mciSendStringA(row.command, theirs, sizeof theirs, nullptr);
            const unsigned device = platform::mciSendString(row.command, ours, sizeof ours);
            const QString what = QStringLiteral("'%1': winmm %2 '%3', ours %4 '%5'")
                                     .arg(QLatin1String(row.command))
                                     .arg(winmm)
                                     .arg(QLatin1String(theirs))
                                     .arg(device)
                                     .arg(QLatin1String(ours));
            if (row.ours < 0) {
                QVERIFY2(winmm == device && QByteArray(theirs) == QByteArray(ours), qPrintable(what));
            } else {
                QVERIFY2(device == static_cast<unsigned>(row.ours), qPrintable(what));
                QVERIFY2(winmm != device || QByteArray(theirs) != QByteArray(ours),
                         qPrintable(what + QStringLiteral(": they agree now; the row's exception can go")));
            }
        }
    }
};

} // namespace quorvel::test

QTEST_GUILESS_MAIN(quorvel::test::TestWinmmAgreement)
#include "tst_winmmagreement.moc"
