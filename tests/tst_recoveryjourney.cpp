// SPDX-License-Identifier: GPL-3.0-or-later
// A recording survives the death of its program, even after its spool's folder was removed: the
// built program records from the private sound server's 440 Hz microphone and is killed; the next
// start brings the recording back.

#include "desktopdriver.h"
#include "wavfile.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quorvel;
using namespace quorvel::test;

namespace {
const QString title = QStringLiteral("^Quorvel$");
} // namespace

class TestRecoveryJourney : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString path(const QString& name) const { return m_home.filePath(name); }
    QStringList spools() const { return QDir(path(QStringLiteral("state/quorvel"))).entryList(QDir::Files); }
    QStringList recovered() const
    {
        return QDir(path(QStringLiteral("drive"))).entryList({QStringLiteral("Recovered *.wav")}, QDir::Files);
    }

    void start(QProcess& quorvel)
    {
        quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
        quorvel.start(path(QStringLiteral("app/quorvel")), {});
        QVERIFY(quorvel.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("run through ctest, which starts the test sound server and X display");
        QVERIFY(prepareProgramHome(m_home.path()));
    }

    void recordingSurvivesAKill()
    {
        QProcess first;
        start(first);
        const QList<XWindow> main = waitForWindows(title, 1, 15000);
        QVERIFY(!main.isEmpty());
        QVERIFY(clickAt(main.first().geometry.topLeft() + QPoint(232, 40))); // Record
        // Eight seconds of 11.025 kHz 16-bit stereo, 44100 bytes a second, on disk.
        const auto spoolAudio = [this] {
            const QStringList files = spools();
            return files.isEmpty()
                ? 0
                : QFileInfo(path(QStringLiteral("state/quorvel/")) + files.first()).size() - 4140; // less the header
        };
        // Two seconds in, the spool's folder is removed from outside (a cleaner): the program says
        // so once, and the take goes on in a new spool there, whole from its start.
        QTRY_VERIFY_WITH_TIMEOUT(spoolAudio() >= 2 * 44100, 20000);
        QVERIFY(QDir(path(QStringLiteral("state/quorvel"))).removeRecursively());
        const QList<XWindow> told = waitForWindows(title, 2, 15000);
        QCOMPARE(told.size(), 2);
        const QString notice = messageText(told.last());
        QVERIFY2(notice.contains(QLatin1String("was removed")), qPrintable(notice));
        QVERIFY(pressKeys(told.last(), QStringLiteral("Return")));
        QTRY_VERIFY_WITH_TIMEOUT(spoolAudio() >= 8 * 44100, 20000);
        QCOMPARE(visibleWindows(title).size(), 1);

        // A second program while the first still records takes nothing from it.
        QProcess second;
        start(second);
        QVERIFY(waitForWindows(title, 2, 15000).size() == 2);
        QTest::qWait(500); // a message would come right after the window
        QCOMPARE(visibleWindows(title).size(), 2);
        QCOMPARE(recovered(), QStringList());
        second.terminate();
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(spools().size(), 1);

        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(waitUntilGone(title, 5000));

        QProcess third;
        start(third);
        const QList<XWindow> both = waitForWindows(title, 2, 15000);
        QCOMPARE(both.size(), 2);
        QCOMPARE(recovered().size(), 1);
        QCOMPARE(spools(), QStringList());
        // The message, read as a user copies it.
        const XWindow box = both.last();
        const QString text = messageText(box);
        QVERIFY2(text.contains(QLatin1String("not closed properly")), qPrintable(text));
        QVERIFY(pressKeys(box, QStringLiteral("Return")));

        const QString file = path(QStringLiteral("drive/")) + recovered().first();
        const WavFile wav = inspectWav(file);
        QVERIFY(wav.valid);
        QVERIFY2(wav.seconds() >= 6.0, qPrintable(QString::number(wav.seconds())));
        const double hz = dominantFrequency(readChannel0(file), wav.samplerate);
        QVERIFY2(std::abs(hz - 440.0) <= 5.0, qPrintable(QString::number(hz)));
        third.terminate();
        QVERIFY(third.waitForFinished(10000));
        QCOMPARE(third.exitCode(), 0);
    }
};

QTEST_MAIN(TestRecoveryJourney)
#include "tst_recoveryjourney.moc"
