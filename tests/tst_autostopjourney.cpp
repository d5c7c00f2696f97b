// SPDX-License-Identifier: GPL-3.0-or-later
// Auto-stop on a real desktop: the built program, a settings file that switches a rule on, the
// private PulseAudio's 440 Hz microphone, and nothing but clicks and keys from outside.

#include "autostop.h"
#include "desktopdriver.h"
#include "wavfile.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString title = QStringLiteral("^Quorvel$");

// Button centres in the main window, from its layout.
constexpr QPoint recordButton(232, 40), saveButton(288, 64);
// The save dialog's name box and Save button.
constexpr QPoint nameBox(140, 100), saveInDialog(140, 140);

} // namespace

class TestAutoStopJourney : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString path(const QString& name) const { return m_home.filePath(name); }

    struct Stop
    {
        double seconds = -1; // from the click on Record to the message
        QString message;
    };

    // Starts the program with these settings, records, and waits for it to stop by itself.
    Stop recordUntilItStops(QProcess& quorvel, const QByteArray& settings, int timeoutMs)
    {
        const QString app = path(QStringLiteral("app"));
        QDir(app).removeRecursively();
        QDir().mkpath(app);
        QFile::copy(QStringLiteral(QUORVEL_APP_DIR "/quorvel"), app + QStringLiteral("/quorvel"));
        QFile file(app + QStringLiteral("/settings9.txt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(settings + "\r\n") < 0)
            return {};
        file.close();

        quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
        quorvel.start(app + QStringLiteral("/quorvel"), {});
        const QList<XWindow> main = waitForWindows(title, 1, 15000);
        if (main.isEmpty())
            return {};
        QElapsedTimer recording;
        clickAt(main.first().geometry.topLeft() + recordButton);
        recording.start();

        const QList<XWindow> both = waitForWindows(title, 2, timeoutMs);
        Stop stop;
        if (both.isEmpty())
            return stop;
        stop.seconds = recording.elapsed() / 1000.0; // when the message appears, before it is read
        stop.message = takeMessage(title, main.first(), 1000);
        return stop;
    }

    void quit(QProcess& quorvel)
    {
        quorvel.terminate();
        QVERIFY(quorvel.waitForFinished(10000));
        QCOMPARE(quorvel.exitCode(), 0);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("run through ctest, which starts the test sound server and X display");
        for (const char* folder : {"drive", "spool", "config"})
            QVERIFY(QDir(m_home.path()).mkdir(QLatin1String(folder)));
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(path(QStringLiteral("drive"))));
        qputenv("XDG_STATE_HOME", QFile::encodeName(path(QStringLiteral("spool"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    }

    // 1 MB at 44.1 kHz stereo is 5.67 s; the rule looks once a second.
    void stopsAtTheTargetSize()
    {
        QProcess quorvel;
        const Stop stop = recordUntilItStops(quorvel, "1,0,1,70,15,6500,5265,4125,0,0,#FALSE#,#TRUE#", 15000);
        QVERIFY2(stop.seconds >= 5.7 && stop.seconds <= 7.5, qPrintable(QString::number(stop.seconds)));
        QVERIFY2(stop.message.contains(QLatin1String(recorder::sizeReachedMessage)), qPrintable(stop.message));
        QVERIFY(!stop.message.contains(QLatin1String(recorder::lengthReachedMessage)));

        const QRect window = visibleWindows(title).first().geometry;
        QVERIFY(clickAt(window.topLeft() + saveButton));
        const QList<XWindow> dialog = waitForWindows(QStringLiteral("^Save$"), 1, 5000);
        QVERIFY(!dialog.isEmpty());
        QVERIFY(clickAt(dialog.first().geometry.topLeft() + nameBox));
        QVERIFY(typeText(QStringLiteral("by size")));
        QVERIFY(clickAt(dialog.first().geometry.topLeft() + saveInDialog));
        // "File Saved ... view it?": No.
        const QList<XWindow> question = waitForWindows(title, 2, 10000);
        QVERIFY(!question.isEmpty());
        QVERIFY(pressKeys(question.last(), QStringLiteral("Escape")));

        const QString saved = path(QStringLiteral("drive/by size.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saved), 5000);
        const WavFile wav = inspectWav(saved);
        QVERIFY(wav.valid);
        QCOMPARE(wav.samplerate, 44100);
        QCOMPARE(wav.channels, 2);
        QVERIFY2(wav.frames * 4 >= 1000000, qPrintable(QString::number(wav.frames)));
        QVERIFY2(std::abs(wav.seconds() - stop.seconds) <= 0.5,
                 qPrintable(QStringLiteral("%1 s saved, stopped after %2 s").arg(wav.seconds()).arg(stop.seconds)));
        const double hz = dominantFrequency(readChannel0(saved), wav.samplerate);
        QVERIFY2(std::abs(hz - 440.0) <= 5.0, qPrintable(QString::number(hz)));
        quit(quorvel);
    }

    void stopsAtTheTargetLength()
    {
        QProcess quorvel;
        const Stop stop = recordUntilItStops(quorvel, "0,1,700,1,15,6500,5265,4125,0,0,#FALSE#,#TRUE#", 75000);
        QVERIFY2(std::abs(stop.seconds - 60.0) <= 1.0, qPrintable(QString::number(stop.seconds)));
        QVERIFY2(stop.message.contains(QLatin1String(recorder::lengthReachedMessage)), qPrintable(stop.message));
        quit(quorvel);
    }
};

QTEST_MAIN(TestAutoStopJourney)
#include "tst_autostopjourney.moc"
