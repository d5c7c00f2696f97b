// SPDX-License-Identifier: GPL-3.0-or-later
// A user's first recording on a real desktop: an X display with a notification area, the private
// PulseAudio playing a tone into the microphone, and the mouse driven from outside by xdotool.

#include "desktopdriver.h"
#include "dialogs.h"
#include "form8.h"
#include "levelmeter.h"
#include "services.h"
#include "wavfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quorvel;
using namespace quorvel::test;

namespace {

QStringList spoolFiles(const QString& folder)
{
    return QDir(folder + QStringLiteral("/quorvel")).entryList({QStringLiteral("quorvel-spool-*")}, QDir::Files);
}

qint64 spoolSize(const QString& folder)
{
    const QStringList files = spoolFiles(folder);
    return files.isEmpty()
        ? -1
        : QFileInfo(folder + QStringLiteral("/quorvel/") + files.first()).size() - 4140; // less the header
}

// The private sound server's microphone mutes, or hears its tone again.
bool muteMicrophone(bool mute)
{
    return QProcess::execute(QStringLiteral("pactl"),
                             {QStringLiteral("set-source-mute"), QStringLiteral("mic"), mute ? "1" : "0"})
        == 0;
}

int clockSeconds(const QString& text)
{
    const QTime time = QTime::fromString(text, QStringLiteral("hh:mm:ss"));
    return time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1;
}

} // namespace

class TestDesktopJourney : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    QString path(const QString& name) const { return m_home.filePath(name); }

    // A screenshot among the build's test outputs.
    void keepOutput(const QString& name) const
    {
        QDir().mkpath(QStringLiteral(QUORVEL_TEST_OUTPUT));
        QFile::remove(QStringLiteral(QUORVEL_TEST_OUTPUT "/") + name);
        QFile::copy(path(name), QStringLiteral(QUORVEL_TEST_OUTPUT "/") + name);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("run through ctest, which starts the test sound server and X display");
        QVERIFY(m_home.isValid());
        for (const char* folder : {"drive", "spool", "config", "app"})
            QVERIFY(QDir(m_home.path()).mkdir(QLatin1String(folder)));
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(path(QStringLiteral("drive"))));
        qputenv("XDG_STATE_HOME", QFile::encodeName(path(QStringLiteral("spool"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    }

    void cleanup() { muteMicrophone(false); } // a failed journey leaves the next one its tone

    // The built program, started from a copy of its application folder, driven only from outside.
    void theProgramFromOutside()
    {
        const QString app = path(QStringLiteral("app"));
        QVERIFY(QFile::copy(QStringLiteral(QUORVEL_APP_DIR "/quorvel"), app + QStringLiteral("/quorvel")));
        const QString spool = path(QStringLiteral("spool"));

        QProcess quorvel;
        quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
        quorvel.start(app + QStringLiteral("/quorvel"), {});
        QVERIFY(quorvel.waitForStarted());
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Quorvel$"), QStringLiteral("getwindowgeometry"),
                      QStringLiteral("--shell")});
        QVERIFY(search.waitForFinished(15000));
        const QString geometry = QString::fromUtf8(search.readAllStandardOutput());
        const auto field = [&](const char* key) {
            for (const QString& line : geometry.split(QLatin1Char('\n'))) {
                if (line.startsWith(QLatin1String(key) + QLatin1Char('=')))
                    return line.section(QLatin1Char('='), 1).toInt();
            }
            return -1;
        };
        const QPoint window(field("X"), field("Y"));
        QVERIFY2(window.x() >= 0, qPrintable(geometry));
        // Button centres in the window, from its layout.
        const QPoint record = window + QPoint(232, 40), listen = window + QPoint(288, 40),
                     reset = window + QPoint(344, 40);

        QVERIFY(clickAt(record));
        QTRY_VERIFY_WITH_TIMEOUT(spoolSize(spool) > 0, 3000);
        const qint64 early = spoolSize(spool);
        QTRY_VERIFY2_WITH_TIMEOUT(spoolSize(spool) > early, "the recording does not grow", 5000);

        QVERIFY(clickAt(record)); // Stop lies in the same place
        QTest::qWait(300);
        const qint64 stopped = spoolSize(spool);
        QTest::qWait(600);
        QCOMPARE(spoolSize(spool), stopped);

        QVERIFY(clickAt(listen));
        QVERIFY(clickAt(reset));
        QTRY_COMPARE_WITH_TIMEOUT(spoolFiles(spool), QStringList(), 3000); // discarded with the device
        QVERIFY(QProcess::execute(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                   QStringLiteral("^Quorvel$")})
                == 0);

        // Exit from the tray menu.
        QVERIFY(clickAt(trayIcon, 3));
        QTRY_VERIFY_WITH_TIMEOUT(trayMenuShown(), 5000);
        QVERIFY(clickAt(trayExitItem));
        QVERIFY(quorvel.waitForFinished(10000));
        QCOMPARE(quorvel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quorvel.exitCode(), 0);
        QCOMPARE(spoolFiles(spool), QStringList());
        QVERIFY(QFile::exists(app + QStringLiteral("/settings9.txt")));
    }

    // The tray keeps a recording going: Help, Tray, and Exit in Options end nothing; Exit from the
    // tray menu ends the program with its window hidden.
    void theTrayKeepsTheRecording()
    {
        const QString app = path(QStringLiteral("app"));
        QFile::remove(app + QStringLiteral("/settings9.txt"));
        QFile::copy(QStringLiteral(QUORVEL_APP_DIR "/quorvel"), app + QStringLiteral("/quorvel"));
        const QString spool = path(QStringLiteral("spool"));
        QProcess quorvel;
        quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
        quorvel.start(app + QStringLiteral("/quorvel"), {});
        const QList<XWindow> main = waitForWindows(QStringLiteral("^Quorvel$"), 1, 15000);
        QVERIFY(!main.isEmpty());
        const QPoint window = main.first().geometry.topLeft();
        const QRect clock(window + QPoint(80, 72), QSize(97, 18));

        QVERIFY(clickAt(window + QPoint(232, 40))); // Record
        QTRY_VERIFY_WITH_TIMEOUT(spoolSize(spool) > 0, 5000);
        QVERIFY(clickAt(window + QPoint(344, 96))); // Help
        const QList<XWindow> options = waitForWindows(QStringLiteral("^Options$"), 1, 5000);
        QVERIFY(!options.isEmpty());
        const QImage clockBefore = QGuiApplication::primaryScreen()
                                       ->grabWindow(0, clock.x(), clock.y(), clock.width(), clock.height())
                                       .toImage();
        // Options opens in the middle of the screen, over the main window: put it aside, as a user would.
        QVERIFY(
            xdotool({QStringLiteral("windowmove"), options.first().id, QStringLiteral("700"), QStringLiteral("40")}));
        QTRY_VERIFY(visibleWindows(QStringLiteral("^Options$")).value(0).geometry.topLeft() == QPoint(700, 40));
        QVERIFY(clickAt(window + QPoint(288, 96))); // Tray
        QVERIFY(waitUntilGone(QStringLiteral("^Quorvel$"), 5000));
        QVERIFY(clickAt(QPoint(700, 40) + QPoint(72, 92))); // Exit in Options
        QVERIFY(waitUntilGone(QStringLiteral("^Options$"), 5000));

        // Still there, and still recording, behind the tray icon.
        const qint64 hidden = spoolSize(spool);
        QTRY_VERIFY_WITH_TIMEOUT(spoolSize(spool) > hidden, 5000);
        QCOMPARE(quorvel.state(), QProcess::Running);
        QVERIFY(clickAt(trayIcon));
        QVERIFY(waitForWindows(QStringLiteral("^Quorvel$"), 1, 5000).size() == 1);
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::primaryScreen()
                                         ->grabWindow(0, clock.x(), clock.y(), clock.width(), clock.height())
                                         .toImage()
                                     != clockBefore,
                                 5000);
        QGuiApplication::primaryScreen()->grabWindow(0).save(path(QStringLiteral("main window.png")));
        keepOutput(QStringLiteral("main window.png"));

        // Hidden again, and Exit from the tray menu.
        QVERIFY(clickAt(window + QPoint(288, 96)));
        QVERIFY(waitUntilGone(QStringLiteral("^Quorvel$"), 5000));
        QVERIFY(clickAt(trayIcon, 3));
        QTRY_VERIFY_WITH_TIMEOUT(trayMenuShown(), 5000);
        // Painted, not just mapped: the menu's light background where the screen is black.
        QTRY_VERIFY(
            QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixelColor(trayIcon + QPoint(60, 60)).lightness()
            > 100);
        QGuiApplication::primaryScreen()->grabWindow(0).save(path(QStringLiteral("tray menu.png")));
        keepOutput(QStringLiteral("tray menu.png"));
        QElapsedTimer exiting;
        QVERIFY(clickAt(trayExitItem));
        exiting.start();
        QVERIFY(quorvel.waitForFinished(5000));
        QVERIFY2(exiting.elapsed() < 2000, qPrintable(QString::number(exiting.elapsed())));
        QCOMPARE(quorvel.exitCode(), 0);
        QVERIFY(QFile::exists(app + QStringLiteral("/settings9.txt")));
        QCOMPARE(spoolFiles(spool), QStringList());
    }

    // The end of the session (a hang-up) closes like Exit: settings written, nothing left behind.
    void hangUpClosesLikeExit()
    {
        const QString app = path(QStringLiteral("app"));
        QFile::remove(app + QStringLiteral("/settings9.txt"));
        QProcess quorvel;
        quorvel.start(app + QStringLiteral("/quorvel"), {});
        QVERIFY(!waitForWindows(QStringLiteral("^Quorvel$"), 1, 15000).isEmpty());
        ::kill(static_cast<pid_t>(quorvel.processId()), SIGHUP);
        QVERIFY(quorvel.waitForFinished(5000));
        QCOMPARE(quorvel.exitCode(), 0);
        QVERIFY(QFile::exists(app + QStringLiteral("/settings9.txt")));
        QCOMPARE(spoolFiles(path(QStringLiteral("spool"))), QStringList());
    }

    // The same journey with the window's own eyes: what the status, size and clock show.
    void whatTheWindowShows()
    {
        auto services = platform::systemServices();
        services.files = platform::filesInFolder(path(QStringLiteral("app")));
        QPointer<ui::Form8> form = ui::Form8::load(services);
        connect(form, &ui::Form8::reloaded, this, [&form](ui::Form8* next) { form = next; });
        QVERIFY(QTest::qWaitForWindowExposed(form));
        auto* c = &form->controls();
        QTRY_COMPARE(c->Text3->text(), QStringLiteral("READY"));
        QCOMPARE(c->Text4->text(), QStringLiteral("0"));
        QCOMPARE(c->Text1->text(), QStringLiteral("00:00:00"));

        QElapsedTimer recording;
        QVERIFY(clickOn(c->Command2));
        recording.start();
        QTRY_COMPARE_WITH_TIMEOUT(c->Text3->text(), QStringLiteral("RECORDING"), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(c->Text4->text().toDouble() > 0, 2000);
        const double early = c->Text4->text().toDouble();
        // The meter follows the tone; a muted microphone is warned of, in words, while the take
        // goes on, and the warning goes when the sound comes back.
        QTRY_VERIFY_WITH_TIMEOUT(c->levelMeter->value() > ui::LevelMeter::floorDb, 2000);
        const int meterDb = c->levelMeter->value();
        QVERIFY(c->noSound->isHidden());
        QVERIFY(muteMicrophone(true));
        QTRY_VERIFY_WITH_TIMEOUT(!c->noSound->isHidden(), 6000);
        QCOMPARE(c->noSound->accessibleName(), QStringLiteral("No sound is arriving from Microphone"));
        QVERIFY(muteMicrophone(false));
        QTRY_VERIFY_WITH_TIMEOUT(c->noSound->isHidden(), 2000);
        QVERIFY(c->Text4->text().toDouble() > early);
        QVERIFY(clickOn(c->Command3));
        const double recordedSeconds = recording.elapsed() / 1000.0;
        QTRY_COMPARE_WITH_TIMEOUT(c->Text3->text(), QStringLiteral("READY"), 2000);
        // The clock against the time this test measured, however slow the machine was meanwhile.
        QVERIFY2(std::abs(clockSeconds(c->Text1->text()) - recordedSeconds) <= 1.0, qPrintable(c->Text1->text()));
        // 11.025 kHz stereo 16-bit by default: 44100 bytes a second.
        const double megabytes = c->Text4->text().toDouble();
        QVERIFY2(megabytes > 0.044 * 4 && megabytes < 0.0441 * 7, qPrintable(c->Text4->text()));

        QVERIFY(clickOn(c->Command4));
        QTRY_COMPARE_WITH_TIMEOUT(c->Text3->text(), QStringLiteral("PLAYING"), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(c->Text3->text(), QStringLiteral("READY"), 9000);

        // Save it under a typed name, and answer the question with the keyboard.
        QVERIFY(clickOn(c->Command5));
        QTRY_VERIFY(ui::Form10::instance() && ui::Form10::instance()->isVisible());
        QPointer<ui::Form10> dialog = ui::Form10::instance();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(clickOn(dialog->Text1));
        QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("journey take")}));
        QTRY_COMPARE(dialog->Text1->text(), QStringLiteral("journey take"));
        // The confirmation is modal: the answer has to come from outside while it is open. It
        // opens in the middle of the screen, over the dialog; Escape answers No.
        QProcess::startDetached(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("sleep 2; xdotool mousemove 512 384 key Escape")});
        QVERIFY(clickOn(dialog->Command1));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog, 10000);
        const QString saved = path(QStringLiteral("drive/journey take.wav"));
        const WavFile wav = inspectWav(saved);
        QVERIFY(wav.valid);
        QCOMPARE(wav.samplerate, 11025); // the preset selected at start-up
        QCOMPARE(wav.channels, 2);
        QVERIFY2(std::abs(wav.seconds() - recordedSeconds) <= 0.5,
                 qPrintable(QStringLiteral("%1 s saved of %2 s").arg(wav.seconds()).arg(recordedSeconds)));
        const std::vector<double> samples = readChannel0(saved);
        // The tone, without the muted part of the take.
        std::vector<double> sounding;
        for (std::size_t i = 0, run = 0; i < samples.size(); ++i) {
            run = samples[i] == 0 ? run + 1 : 0;
            if (run == 0)
                sounding.push_back(samples[i]);
        }
        const double hz = dominantFrequency(sounding, wav.samplerate);
        QVERIFY2(std::abs(hz - 440.0) <= 5.0, qPrintable(QString::number(hz)));
        double peak = 0;
        for (const double sample : samples)
            peak = std::max(peak, std::abs(sample));
        QVERIFY2(std::abs(meterDb - 20 * std::log10(peak)) <= 1.0,
                 qPrintable(QStringLiteral("meter %1 dBFS, take's peak %2").arg(meterDb).arg(peak)));

        QVERIFY(clickOn(c->Command1));
        QTRY_VERIFY(form && form->isVisible() && &form->controls() != c);
        c = &form->controls();
        QCOMPARE(c->Text1->text(), QStringLiteral("00:00:00"));
        QVERIFY(!c->Command2->isHidden() && c->Command2->isEnabled());
        form->close();
        QTRY_VERIFY(!form);
        QCOMPARE(spoolFiles(path(QStringLiteral("spool"))), QStringList());
    }
};

QTEST_MAIN(TestDesktopJourney)
#include "tst_desktopjourney.moc"
