// SPDX-License-Identifier: GPL-3.0-or-later
// How a take ends, on a real desktop: the built program, the private PulseAudio's 440 Hz
// microphone, clicks and keys from outside. An ending nobody chose keeps the take for the next
// start; Exit discards it; a take that can't be written or loses its sound server ends at once with
// a message; an MP3 save finishes after Exit. The system is kept awake for a take, and let go
// however it ends (logind here is python-dbusmock's, on a private system bus).

#include "desktopdriver.h"
#include "wavfile.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString title = QStringLiteral("^Quorvel$");
// In the main window, from its layout: Record and Stop share a place.
constexpr QPoint recordButton(232, 40), resetButton(344, 40), saveButton(288, 64), mp3Option(31, 232);
// The save dialog's name box.
constexpr QPoint nameBox(140, 100);

} // namespace

class TestEndingsJourney : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QProcess m_systemBus, m_logind;
    QString m_systemBusAddress;
    // Who holds logind's inhibitors now; "?" when logind can't be asked.
    QStringList inhibitors() const
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_systemBusAddress, QStringLiteral("mock"));
        const QDBusMessage reply
            = bus.call(QDBusMessage::createMethodCall(
                           QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors")),
                       QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {QStringLiteral("?")};
        QStringList who;
        const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString what, name, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> name >> why >> mode >> uid >> pid;
            list.endStructure();
            who << name + QLatin1Char(' ') + what + QLatin1Char(' ') + mode;
        }
        list.endArray();
        return who;
    }
    const QStringList awake {QStringLiteral("Quorvel sleep:idle block")};
    QString path(const QString& name) const { return m_home.filePath(name); }
    QStringList recovered() const
    {
        return QDir(path(QStringLiteral("drive"))).entryList({QStringLiteral("Recovered *.wav")}, QDir::Files);
    }
    QStringList spools() const { return QDir(path(QStringLiteral("state/quorvel"))).entryList(QDir::Files); }

    // Starts the program and gives its main window.
    XWindow start(QProcess& quorvel)
    {
        quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
        quorvel.start(path(QStringLiteral("app/quorvel")), {});
        const QList<XWindow> main = waitForWindows(title, 1, 15000);
        return main.isEmpty() ? XWindow() : main.first();
    }

    QString message(const XWindow& main, int timeoutMs = 5000) { return takeMessage(title, main, timeoutMs); }

    void end(QProcess& quorvel)
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
        QVERIFY(prepareProgramHome(m_home.path()));
        m_systemBus.start(QStringLiteral("dbus-daemon"),
                          {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        QVERIFY(m_systemBus.waitForReadyRead(10000));
        m_systemBusAddress = QString::fromUtf8(m_systemBus.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBusAddress.toUtf8());
        m_logind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The system's Python, which has the python3-dbusmock package.
        m_logind.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                        QStringLiteral("--template"), QStringLiteral("logind")});
        QTRY_COMPARE_WITH_TIMEOUT(inhibitors(), QStringList(), 15000);
    }

    void cleanupTestCase()
    {
        for (QProcess* p : {&m_logind, &m_systemBus}) {
            p->terminate();
            p->waitForFinished(5000);
        }
    }

    void cleanup()
    {
        QFile::remove(path(QStringLiteral("app/settings9.txt"))); // each journey starts with the layout's options
        for (const QString& name : recovered())
            QFile::remove(path(QStringLiteral("drive/")) + name);
    }

    void endedFromOutsideKeepsTheTake_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("stopFirst");
        QTest::newRow("SIGTERM while recording") << int(SIGTERM) << false;
        QTest::newRow("SIGHUP after Stop") << int(SIGHUP) << true;
    }

    void endedFromOutsideKeepsTheTake()
    {
        QFETCH(int, signal);
        QFETCH(bool, stopFirst);
        QProcess first;
        const XWindow main = start(first);
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        QElapsedTimer recording;
        recording.start();
        // The length of the take is whatever passed; the spool shows the audio arriving.
        QTRY_VERIFY_WITH_TIMEOUT(recording.elapsed() >= 3000, 10000);
        QCOMPARE(inhibitors(), awake);
        if (stopFirst)
            QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        else
            ::kill(static_cast<pid_t>(first.processId()), signal);
        const double seconds = recording.elapsed() / 1000.0;
        if (stopFirst)
            ::kill(static_cast<pid_t>(first.processId()), signal);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitCode(), 0);
        QTRY_COMPARE(inhibitors(), QStringList());
        QCOMPARE(recovered(), QStringList());

        QProcess second;
        const QString text = message(start(second), 10000);
        QVERIFY2(text.contains(QLatin1String("not closed properly")), qPrintable(text));
        QCOMPARE(recovered().size(), 1);
        QCOMPARE(spools(), QStringList());
        const WavFile wav = inspectWav(path(QStringLiteral("drive/")) + recovered().first());
        QVERIFY(wav.valid);
        QVERIFY2(std::abs(wav.seconds() - seconds) <= 0.3,
                 qPrintable(QStringLiteral("%1 s recovered of %2 s").arg(wav.seconds()).arg(seconds)));
        end(second);
    }

    // Exit from the tray menu is the user's choice: the take goes.
    void exitDiscards()
    {
        QProcess first;
        const XWindow main = start(first);
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        QTRY_VERIFY_WITH_TIMEOUT(!spools().isEmpty(), 5000);
        QTRY_COMPARE(inhibitors(), awake);
        QVERIFY(exitFromTray());
        QVERIFY(first.waitForFinished(10000));
        QTRY_COMPARE(inhibitors(), QStringList());
        QCOMPARE(spools(), QStringList());
        QProcess second;
        start(second);
        QVERIFY(waitForWindows(title, 2, 1500).isEmpty());
        QCOMPARE(recovered(), QStringList());
        end(second);
    }

    // A take by keyboard alone: Alt and a letter of the button's caption.
    void keyboardOnly()
    {
        QProcess quorvel;
        const XWindow main = start(quorvel);
        QVERIFY(pressKeys(main, QStringLiteral("alt+r")));
        QTRY_VERIFY_WITH_TIMEOUT(!spools().isEmpty(), 5000);
        const QString spool = path(QStringLiteral("state/quorvel/")) + spools().first();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(spool).size() > 44100 * 4, 10000); // a second of audio
        QVERIFY(pressKeys(main, QStringLiteral("alt+s")));
        QVERIFY(pressKeys(main, QStringLiteral("alt+l")));
        // Save waits for the playback to end: asked again until the dialog comes.
        QList<XWindow> dialog;
        for (int i = 0; i < 50 && dialog.isEmpty(); ++i) {
            QVERIFY(pressKeys(main, QStringLiteral("alt+a")));
            dialog = waitForWindows(QStringLiteral("^Save$"), 1, 300);
        }
        QVERIFY(!dialog.isEmpty());
        QVERIFY(typeText(QStringLiteral("by keys")));
        QVERIFY(pressKeys(dialog.first(), QStringLiteral("Return")));
        const QString text = message(main);
        QVERIFY2(text.contains(QLatin1String("File Saved: c:\\by keys.wav")), qPrintable(text));
        const WavFile wav = inspectWav(path(QStringLiteral("drive/by keys.wav")));
        QVERIFY(wav.valid && wav.seconds() >= 1.0);
        end(quorvel);
    }

    // The program ends while the encoder still works (a slow one here): the MP3 comes out whole
    // and the WAV on its way goes.
    void exitDuringAnMp3Save()
    {
        const QString lame = path(QStringLiteral("app/lame"));
        QFile script(lame);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nsleep 3\nexec lame \"$@\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

        QProcess quorvel;
        const XWindow main = start(quorvel);
        QVERIFY(clickAt(main.geometry.topLeft() + mp3Option));
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        QElapsedTimer recording;
        recording.start();
        QTRY_VERIFY_WITH_TIMEOUT(recording.elapsed() >= 2000, 10000);
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton)); // Stop
        const double seconds = recording.elapsed() / 1000.0;
        QVERIFY(clickAt(main.geometry.topLeft() + saveButton));
        const QList<XWindow> dialog = waitForWindows(QStringLiteral("^Save$"), 1, 5000);
        QVERIFY(!dialog.isEmpty());
        QVERIFY(clickAt(dialog.first().geometry.topLeft() + nameBox));
        QVERIFY(typeText(QStringLiteral("long take")));
        QVERIFY(pressKeys(dialog.first(), QStringLiteral("Return")));
        const QString wav = path(QStringLiteral("drive/long take.wav"));
        const QString mp3 = path(QStringLiteral("drive/long take.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(wav), 5000);
        QVERIFY(exitFromTray());
        QVERIFY(quorvel.waitForFinished(10000));
        QVERIFY(!QFile::exists(mp3)); // the encoder is still at work
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mp3) && !QFile::exists(wav), 20000);
        const QString decoded = path(QStringLiteral("decoded.wav"));
        QCOMPARE(QProcess::execute(QStringLiteral("lame"),
                                   {QStringLiteral("--quiet"), QStringLiteral("--decode"), mp3, decoded}),
                 0);
        QVERIFY2(std::abs(inspectWav(decoded).seconds() - seconds) <= 0.4,
                 qPrintable(QString::number(inspectWav(decoded).seconds())));
        QFile::remove(lame);
    }

    // A spool folder that can't be written: Record ends at once with the reason, and there is
    // nothing to save.
    void recordingThatCannotBeWritten()
    {
        const QString readOnly = path(QStringLiteral("read-only"));
        QVERIFY(QDir().mkpath(readOnly));
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("ro,size=64k"), QStringLiteral("tmpfs"), readOnly})
            != 0)
            QSKIP("mounting a tmpfs needs root");
        qputenv("XDG_STATE_HOME", QFile::encodeName(readOnly));
        QProcess quorvel;
        const XWindow main = start(quorvel);
        qputenv("XDG_STATE_HOME", QFile::encodeName(path(QStringLiteral("state"))));
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        const QString text = message(main, 1500);
        QVERIFY2(text.contains(QLatin1String("could not be made")) && text.contains(QLatin1String("read-only"))
                     && text.contains(readOnly),
                 qPrintable(text));

        QVERIFY(clickAt(main.geometry.topLeft() + saveButton));
        const QList<XWindow> dialog = waitForWindows(QStringLiteral("^Save$"), 1, 5000);
        QVERIFY(!dialog.isEmpty());
        QVERIFY(clickAt(dialog.first().geometry.topLeft() + nameBox));
        QVERIFY(typeText(QStringLiteral("nothing")));
        QVERIFY(pressKeys(dialog.first(), QStringLiteral("Return")));
        const QList<XWindow> refusal = waitForWindows(title, 2, 5000);
        QVERIFY(!refusal.isEmpty());
        const QString said = messageText(refusal.first().id == main.id ? refusal.last() : refusal.first());
        QVERIFY2(said.contains(QLatin1String("holds no audio")), qPrintable(said));
        QVERIFY(!QFile::exists(path(QStringLiteral("drive/nothing.wav"))));
        quorvel.kill();
        quorvel.waitForFinished(5000);
        QProcess::execute(QStringLiteral("umount"), {readOnly});
    }

    // The sound server dies mid-take: the window ends the take within a second, with the reason,
    // and what came before is saved. A server that comes back records again.
    void soundServerDiesMidTake()
    {
        const QString server = QStringLiteral(QUORVEL_PULSE_DIR);
        QProcess quorvel;
        const XWindow main = start(quorvel);
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        QElapsedTimer recording;
        recording.start();
        QTRY_VERIFY_WITH_TIMEOUT(recording.elapsed() >= 2500, 10000);
        QCOMPARE(QProcess::execute(QStringLiteral(QUORVEL_SOURCE_DIR "/tools/dev/soundserver.sh"),
                                   {QStringLiteral("stop"), server}),
                 0);
        QElapsedTimer noticed;
        noticed.start();
        const double seconds = recording.elapsed() / 1000.0;
        const QList<XWindow> both = waitForWindows(title, 2, 3000);
        const qint64 within = noticed.elapsed();
        const bool restarted = QProcess::execute(QStringLiteral(QUORVEL_SOURCE_DIR "/tools/dev/soundserver.sh"),
                                                 {QStringLiteral("start"), server})
            == 0;
        QVERIFY(restarted);
        QVERIFY(!both.isEmpty());
        QVERIFY2(within <= 1000, qPrintable(QString::number(within)));
        const QString text = messageText(both.first().id == main.id ? both.last() : both.first());
        QVERIFY2(text.contains(QLatin1String("sound server")), qPrintable(text));
        pressKeys(both.first().id == main.id ? both.last() : both.first(), QStringLiteral("Return"));

        QVERIFY(clickAt(main.geometry.topLeft() + saveButton));
        const QList<XWindow> dialog = waitForWindows(QStringLiteral("^Save$"), 1, 5000);
        QVERIFY(!dialog.isEmpty());
        QVERIFY(clickAt(dialog.first().geometry.topLeft() + nameBox));
        QVERIFY(typeText(QStringLiteral("before")));
        QVERIFY(pressKeys(dialog.first(), QStringLiteral("Return")));
        const QString saved = path(QStringLiteral("drive/before.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saved), 5000);
        const QString confirmation = message(main);
        QVERIFY2(confirmation.startsWith(QLatin1String("File Saved: c:\\before.wav")), qPrintable(confirmation));
        const WavFile wav = inspectWav(saved);
        QVERIFY2(wav.seconds() > 1.5 && wav.seconds() <= seconds + 0.2, qPrintable(QString::number(wav.seconds())));

        // With the server back, Reset and Record record again.
        QVERIFY(clickAt(main.geometry.topLeft() + resetButton));
        QTRY_COMPARE_WITH_TIMEOUT(spools(), QStringList(), 3000);
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        QTRY_VERIFY_WITH_TIMEOUT(!spools().isEmpty()
                                     && QFileInfo(path(QStringLiteral("state/quorvel/")) + spools().first()).size()
                                         > 4140 + 44100,
                                 10000);
        QVERIFY(exitFromTray());
        QVERIFY(quorvel.waitForFinished(10000));
    }
};

QTEST_MAIN(TestEndingsJourney)
#include "tst_endingsjourney.moc"
