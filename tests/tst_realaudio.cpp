// SPDX-License-Identifier: GPL-3.0-or-later
// Recording from a real sound server: the private PulseAudio (or PipeWire) that the test run
// starts, whose default source hears a 440 Hz tone and whose default sink is silent. Where a check
// looks for a gap or a short take, parecord records the same input over the same time: what it
// hears too is the rig's fault, not the device's, and the failure says which.

#include "mcicall.h"
#include "referencerecorder.h"
#include "wavfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <csignal>

using namespace quorvel;
using namespace quorvel::test;

namespace {

QStringList runTool(const QStringList& commands)
{
    QProcess tool;
    tool.start(QStringLiteral(QUORVEL_APP_DIR "/quorvel-mci"), commands);
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestRealAudio : public QObject
{
    Q_OBJECT

    QTemporaryDir m_drive;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QFAIL("PULSE_SERVER is not set: run through ctest, which starts the test sound server");
        QVERIFY(m_drive.isValid());
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(m_drive.path()));
    }

    void recordThreeSeconds_data()
    {
        QTest::addColumn<QString>("setFormat");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::newRow("44.100Hz, 16bit Stereo, 172k/sec")
            << "set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400" << 44100
            << 2 << 16;
        QTest::newRow("8.000kHz, 8bit Mono, 7k/sec")
            << "set capture samplespersec 8000 channels 1 bitspersample 8 alignment 1 bytespersec 8000" << 8000 << 1
            << 8;
    }

    // Record, save, check the file; then play it to the end on the silent speaker.
    void recordThreeSeconds()
    {
        QFETCH(QString, setFormat);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, bits);
        const QString name = QStringLiteral("tone %1").arg(rate);
        const QStringList out = runTool({
            QStringLiteral("open new type waveaudio alias capture"),
            setFormat,
            QStringLiteral("record capture"),
            QStringLiteral("sleep 3000"),
            QStringLiteral("stop capture"),
            QStringLiteral("save capture c:\\%1.wav").arg(name),
            QStringLiteral("play capture from 0"),
            QStringLiteral("status capture mode"),
            QStringLiteral("sleep 6000"), // 3 s of sound, with room for a busy machine
            QStringLiteral("status capture mode"),
        });
        QCOMPARE(out,
                 QStringList({QStringLiteral("0\t1"), QStringLiteral("0\t"), QStringLiteral("0\t"),
                              QStringLiteral("0\t"), QStringLiteral("0\t"), QStringLiteral("0\t"),
                              QStringLiteral("0\tplaying"), QStringLiteral("0\tstopped")}));

        const QString path = m_drive.filePath(name + QStringLiteral(".wav"));
        const WavFile wav = inspectWav(path);
        QVERIFY(wav.valid);
        QCOMPARE(wav.samplerate, rate);
        QCOMPARE(wav.channels, channels);
        QCOMPARE(int(le16(wav.header, 34)), bits);
        // The recording holds the three seconds between "record" and "stop": nothing lost on the way.
        QVERIFY2(std::abs(wav.seconds() - 3.0) <= 0.05, qPrintable(QString::number(wav.seconds())));
        const double hz = dominantFrequency(readChannel0(path), rate);
        QVERIFY2(std::abs(hz - 440.0) <= 5.0, qPrintable(QStringLiteral("%1 Hz").arg(hz)));
    }

    // Stops that fall at different moments of the capture's rhythm (it takes the audio in a few
    // times a second): each keeps the audio up to the stop, whatever waited in the server.
    void stopKeepsTheLastMoments()
    {
        ReferenceRecorder reference(m_drive.filePath(QStringLiteral("reference-stops.wav")));
        QVERIFY(reference.start());
        QStringList faults;
        for (int i = 0; i < 8; ++i) {
            const int recordMs = 700 + 37 * i;
            QCOMPARE(mci("open new type waveaudio alias last").code, 0u);
            mci("set last samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400");
            QElapsedTimer recording;
            QCOMPARE(mci("record last").code, 0u);
            recording.start();
            QThread::msleep(static_cast<unsigned long>(recordMs));
            mci("stop last");
            const qint64 elapsed = recording.elapsed();
            mci("set last time format ms");
            const qint64 length = mci("status last length").reply.toLongLong();
            mci("close last");
            if (length < elapsed - 60 || length > elapsed + 50)
                faults << QStringLiteral("%1 ms recorded in %2 ms").arg(length).arg(elapsed);
        }
        reference.stop();
        QVERIFY2(faults.isEmpty(), qPrintable(blame(faults.join(QStringLiteral(", ")), reference)));
    }

    // The size grows live: sampled as the window samples it, the length never stands still for
    // long while recording.
    void lengthGrowsLive()
    {
        QCOMPARE(mci("open new type waveaudio alias live").code, 0u);
        mci("set live samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400");
        mci("set live time format bytes");
        QCOMPARE(mci("record live").code, 0u);
        QTRY_VERIFY_WITH_TIMEOUT(mciNumber("status live length") > 0, 5000);
        QElapsedTimer recording, unchanged;
        recording.start();
        unchanged.start();
        std::uint64_t last = mciNumber("status live length");
        qint64 longest = 0;
        while (recording.elapsed() < 3000) {
            QThread::msleep(19);
            const std::uint64_t now = mciNumber("status live length");
            if (now != last) {
                longest = std::max(longest, unchanged.elapsed());
                unchanged.restart();
                last = now;
            }
        }
        longest = std::max(longest, unchanged.elapsed());
        mci("close live");
        qInfo("longest time the length stood still: %lld ms", static_cast<long long>(longest));
        QVERIFY2(longest <= 300, qPrintable(QString::number(longest)));
    }

    // Stop during a playback and a restart while playing answer at once: the playback's thread is
    // woken, not waited for. Times from quorvel-mci --timing; a block, not a timing, fails this.
    void stopAndRestartDoNotWait()
    {
        QStringList commands
            = {QStringLiteral("open new type waveaudio alias capture"),
               QStringLiteral(
                   "set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400"),
               QStringLiteral("record capture"), QStringLiteral("sleep 2000"), QStringLiteral("stop capture")};
        for (int i = 0; i < 20; ++i)
            commands << QStringLiteral("play capture from 0") << QStringLiteral("sleep 500")
                     << QStringLiteral("stop capture") << QStringLiteral("status capture mode");
        for (int i = 0; i < 20; ++i)
            commands << QStringLiteral("play capture from 0") << QStringLiteral("sleep 300");
        commands << QStringLiteral("stop capture");
        QStringList sent = commands.filter(QRegularExpression(QStringLiteral("^(?!sleep )")));
        const QStringList out = runTool(QStringList {QStringLiteral("--timing")} + commands);
        QCOMPARE(out.size(), sent.size());
        QList<double> stops, restarts;
        bool playing = false;
        for (qsizetype i = 5; i < sent.size(); ++i) {
            const QStringList fields = out.at(i).split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 3);
            QCOMPARE(fields.at(0), QStringLiteral("0"));
            const double ms = fields.at(2).toDouble();
            if (sent.at(i) == QLatin1String("stop capture")) {
                stops << ms;
                playing = false;
            } else if (sent.at(i) == QLatin1String("status capture mode")) {
                QCOMPARE(fields.at(1), QStringLiteral("stopped"));
            } else if (sent.at(i).startsWith(QLatin1String("play")) && playing) {
                restarts << ms;
            }
            if (sent.at(i).startsWith(QLatin1String("play")))
                playing = true;
        }
        QCOMPARE(stops.size(), 21);
        QCOMPARE(restarts.size(), 19);
        for (QList<double>* times : {&stops, &restarts}) {
            std::sort(times->begin(), times->end());
            qInfo("median %.2f ms, worst %.2f ms", times->at(times->size() / 2), times->last());
            QVERIFY2(times->last() < 250, qPrintable(QString::number(times->last())));
        }
    }

    // A sound server that stops answering (SIGSTOP) holds no command up; once it answers again the
    // device carries on, and no thread or spool is left over.
    void hungServerHoldsNothingUp()
    {
        QFile pidFile(QStringLiteral(QUORVEL_PULSE_DIR "/pulse.pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const pid_t server = static_cast<pid_t>(pidFile.readAll().trimmed().toInt());
        QVERIFY(server > 0);
        const auto threads = [] {
            return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
        };
        const QString spools = qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/quorvel");
        const qsizetype before = threads();

        QCOMPARE(mci("open new type waveaudio alias hung").code, 0u);
        mci("set hung samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400");
        mci("record hung");
        QThread::msleep(1500);
        mci("stop hung");
        ::kill(server, SIGSTOP);
        double worst = 0;
        for (const char* command : {"play hung from 0", "status hung mode", "set hung time format bytes",
                                    "status hung length", "stop hung", "status hung mode", "record hung",
                                    "status hung position", "stop hung", "play hung from 0", "close hung"}) {
            QElapsedTimer took;
            took.start();
            mci(command);
            const double ms = took.nsecsElapsed() / 1e6;
            worst = std::max(worst, ms);
            QVERIFY2(ms < 250, qPrintable(QStringLiteral("%1: %2 ms").arg(QLatin1String(command)).arg(ms)));
        }
        qInfo("server stopped: worst command %.2f ms", worst);
        ::kill(server, SIGCONT);
        QTRY_COMPARE_WITH_TIMEOUT(threads(), before, 15000);
        QCOMPARE(QDir(spools).entryList(QDir::Files), QStringList());

        // And it records again, as if nothing had happened.
        QCOMPARE(mci("open new type waveaudio alias hung").code, 0u);
        QCOMPARE(mci("status hung mode").reply, QStringLiteral("stopped"));
        const auto again = mci("record hung").code;
        QVERIFY2(again == 0,
                 qPrintable(QStringLiteral("record: %1 (%2)")
                                .arg(again)
                                .arg(QString::fromStdString(platform::recordingProblem("hung")))));
        QTRY_VERIFY_WITH_TIMEOUT(mci("set hung time format bytes").code == 0 && mciNumber("status hung length") > 0,
                                 5000);
        QCOMPARE(mci("status hung mode").reply, QStringLiteral("recording"));
        mci("close hung");
    }

    // The thread that sends the commands is busy for 3 s in the middle of a 6 s recording.
    void nothingLostWhileTheCallerIsBusy()
    {
        QCOMPARE(mci("open new type waveaudio alias busy").code, 0u);
        mci("set busy samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400");
        ReferenceRecorder reference(m_drive.filePath(QStringLiteral("reference-busy.wav")));
        QVERIFY(reference.start());
        QCOMPARE(mci("record busy").code, 0u);
        for (int i = 0; i < 80; ++i) { // 1.5 s of status ticks, as the window sends them
            mci("set busy time format bytes");
            mci("status busy length");
            QThread::msleep(19);
        }
        QThread::sleep(3); // busy: no commands at all
        QThread::msleep(1500);
        mci("stop busy");
        reference.stop();
        QCOMPARE(mci("save busy c:\\busy.wav").code, 0u);
        mci("close busy");

        const QString path = m_drive.filePath(QStringLiteral("busy.wav"));
        const WavFile wav = inspectWav(path);
        QVERIFY2(std::abs(wav.seconds() - 6.0) <= 0.15,
                 qPrintable(blame(QStringLiteral("%1 s recorded in 6 s").arg(wav.seconds()), reference)));
        auto rms = windowRms(readChannel0(path), 441);
        QVERIFY(rms.size() > 500);
        std::nth_element(rms.begin(), rms.begin() + rms.size() / 2, rms.end());
        QVERIFY(rms[rms.size() / 2] > 0.3); // the tone, at its level
        const double dip = deepestDipDb(path);
        QVERIFY2(dip < 6.0, qPrintable(blame(QStringLiteral("trough %1 dB below the median").arg(dip), reference)));
    }

private:
    // The failure's text, and which side it lies on: a dip of more than 3 dB in the reference's
    // recording of the same input at the same time is a fault of the test rig.
    static QString blame(const QString& fault, const ReferenceRecorder& reference)
    {
        const double dip = reference.deepestDipDb();
        if (dip < 0)
            return fault + QStringLiteral(" (the reference recorder heard nothing: the test rig failed)");
        if (dip > 3.0)
            return fault
                + QStringLiteral(" (the reference recorder heard a %1 dB dip too: a fault of the test rig, "
                                 "not of the device)")
                      .arg(dip, 0, 'f', 1);
        return fault + QStringLiteral(" (the reference recorder heard the input whole: a fault of the device)");
    }
};

QTEST_GUILESS_MAIN(TestRealAudio)
#include "tst_realaudio.moc"
