// SPDX-License-Identifier: GPL-3.0-or-later
// A recording past 4 GiB: memory stays flat and the saved file is a valid RF64.

#include "audio/syntheticbackend.h"
#include "mcicall.h"
#include "wavfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sndfile.h>
#include <sys/resource.h>

using namespace quorvel;
using namespace quorvel::test;

class TestLargeRecording : public QObject
{
    Q_OBJECT

private slots:
    void overFourGigabytesSavesAsRf64()
    {
        QTemporaryDir drive;
        QVERIFY(drive.isValid());
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(drive.path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(drive.path()));

        const std::uint64_t bytes
            = (std::uint64_t {1} << 32) + (std::uint64_t {3} << 20) + 4; // 4 GiB + 3 MiB + a frame
        platform::SyntheticBackend::Options options;
        options.captureLimit = bytes;
        options.chunkBytes = 1 << 20;
        platform::setAudioBackend(std::make_shared<platform::SyntheticBackend>(options));

        mci("open new type waveaudio alias capture");
        mci("set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400");
        mci("set capture time format bytes");
        QCOMPARE(mci("record capture").code, 0u);
        QElapsedTimer timer;
        timer.start();
        while (mciNumber("status capture length") < bytes && timer.elapsed() < 180000)
            QThread::msleep(20);
        QCOMPARE(mciNumber("status capture length"), bytes);
        QCOMPARE(mci("save capture c:\\long take.wav").code, 0u);
        mci("close all");

        const QString path = drive.filePath(QStringLiteral("long take.wav"));
        const WavFile wav = inspectWav(path);
        QVERIFY(wav.valid);
        QCOMPARE(wav.sndfileFormat & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
        QCOMPARE(wav.frames, std::int64_t(bytes / 4));
        QCOMPARE(wav.samplerate, 44100);
        QCOMPARE(wav.channels, 2);

        // Spot checks where a wrapped 32-bit size or a lost chunk would show.
        const platform::PcmFormat format {44100, 2, 16};
        for (const std::int64_t frame : {std::int64_t {0}, std::int64_t {(1ll << 30) - 100}, wav.frames - 1000}) {
            const QByteArray got = readRawFrames(path, frame, 1000);
            QByteArray expected(got.size(), '\0');
            platform::SyntheticBackend::render(format, static_cast<std::uint64_t>(frame) * 4,
                                               std::as_writable_bytes(std::span(expected.data(), expected.size())));
            QCOMPARE(got.size(), 4000);
            QVERIFY2(got == expected, qPrintable(QStringLiteral("frame %1").arg(frame)));
        }
        QCOMPARE(
            QDir(drive.filePath(QStringLiteral("quorvel"))).entryList({QStringLiteral("quorvel-spool-*")}, QDir::Files),
            QStringList());

        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        QVERIFY2(usage.ru_maxrss < 200 * 1024, qPrintable(QStringLiteral("peak RSS %1 KiB").arg(usage.ru_maxrss)));
    }
};

QTEST_GUILESS_MAIN(TestLargeRecording)
#include "tst_largerecording.moc"
