// SPDX-License-Identifier: GPL-3.0-or-later
// Saving through the real device (fed by the synthetic backend) and the real lame encoder.

#include "audio/syntheticbackend.h"
#include "dialogs.h"
#include "doubles.h"
#include "encoder.h"
#include "filecontents.h"
#include "form8.h"
#include "wavfile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Decodes an MP3 with lame itself and gives the decoded length in seconds.
double mp3Seconds(const QString& mp3, const QString& scratch)
{
    const QString wav = scratch + QStringLiteral("/decoded.wav");
    QFile::remove(wav);
    if (QProcess::execute(
            QStringLiteral("lame"),
            {QStringLiteral("--quiet"), QStringLiteral("--decode"), QFileInfo(mp3).absoluteFilePath(), wav})
        != 0)
        return -1;
    return inspectWav(wav).seconds();
}

} // namespace

class TestRealEncoder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_app, m_drive;
    std::unique_ptr<TestServices> m_services;
    QPointer<ui::Form8> m_main;

    QString onDrive(const QString& name) const { return m_drive + QLatin1Char('/') + name; }
    QStringList partFiles() const { return QDir(m_drive).entryList({QStringLiteral("quorvel-part-*")}, QDir::Files); }
    // A 440 Hz tone of this many seconds, 22.05 kHz mono, made by sox under the root folder.
    QString toneWav(const QString& name, int seconds) const
    {
        const QString path = m_root.filePath(name);
        QProcess::execute(QStringLiteral("sox"),
                          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-c"),
                           QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"), path,
                           QStringLiteral("synth"), QString::number(seconds), QStringLiteral("sine"),
                           QStringLiteral("440")});
        return path;
    }

    void saveAs(const QString& name)
    {
        m_main->controls().Command5->click();
        ui::Form10* dialog = ui::Form10::instance();
        QVERIFY(dialog);
        dialog->Text1->setText(name);
        dialog->Command1->click();
    }

private slots:
    void initTestCase()
    {
        m_app = m_root.filePath(QStringLiteral("app folder"));
        // Drive C is a relative folder named like an option: no path may reach lame as one.
        QVERIFY(QDir::setCurrent(m_root.path()));
        m_drive = QStringLiteral("-x");
        QVERIFY(QDir().mkpath(m_app) && QDir().mkpath(m_drive));
        QVERIFY(QFile::link(QStringLiteral(QUORVEL_APP_DIR "/lame"), m_app + QStringLiteral("/lame")));
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(m_drive));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_root.path()));

        // Two seconds of the known tone at 44.1 kHz, 16-bit stereo.
        platform::SyntheticBackend::Options options;
        options.captureLimit = 2 * 176400;
        platform::setAudioBackend(std::make_shared<platform::SyntheticBackend>(options));
        m_services = std::make_unique<TestServices>(m_app, &platform::systemMci());
        m_services->services.processes = &platform::systemProcessStarter();
        m_main = ui::Form8::load(m_services->services);
        m_main->controls().cbxformat->setCurrentIndex(15);
        m_main->controls().Command2->click();
        QTRY_COMPARE(m_main->controls().Text4->text(), QStringLiteral("0.3528"));
        m_main->controls().Command3->click();
    }

    void cleanupTestCase()
    {
        if (m_main)
            m_main->close();
    }

    void wavSaveHoldsTheRecording()
    {
        saveAs(QStringLiteral("tone take"));
        const QString path = onDrive(QStringLiteral("tone take.wav"));
        const WavFile wav = inspectWav(path);
        QVERIFY(wav.valid);
        QCOMPARE(wav.frames, 2 * 44100);
        QCOMPARE(wav.channels, 2);
        QVERIFY(std::abs(dominantFrequency(readChannel0(path), 44100) - 440.0) < 2.0);
        QCOMPARE(m_services->boxes.shown.last().text,
                 QStringLiteral("File Saved: c:\\tone take.wav    Would you like to view the file?"));
    }

    // Runs after the WAV test: the MP3 save closes the device. Its target is a link, answered
    // Yes to "replace": the link is replaced, the file it points to is not touched.
    void mp3SaveThenASecondSave()
    {
        const QString victim = m_root.filePath(QStringLiteral("victim.mp3"));
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
        file.close();
        const QString mp3 = onDrive(QStringLiteral("tone mp3.mp3"));
        QVERIFY(QFile::link(victim, mp3));
        m_services->boxes.answers = {platform::box::answerYes, platform::box::answerNo};
        m_main->controls().Option1->setChecked(true);
        saveAs(QStringLiteral("tone mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(onDrive(QStringLiteral("tone mp3.wav"))), 20000);
        QTRY_COMPARE(m_services->boxes.shown.last().text,
                     QStringLiteral("File Saved: c:\\tone mp3.mp3    Would you like to view the file?"));
        QVERIFY(!QFileInfo(mp3).isSymLink());
        const double seconds = mp3Seconds(mp3, m_root.path());
        QVERIFY2(std::abs(seconds - 2.0) <= 0.2, qPrintable(QString::number(seconds)));
        QCOMPARE(contents(victim), QByteArray("mine"));
        QCOMPARE(m_services->mci.commands, QStringList()); // the real device got the commands, not the double

        // The device is closed now: a second save is an error, and the program goes on.
        const int before = m_services->boxes.shown.size();
        saveAs(QStringLiteral("again"));
        QCOMPARE(m_services->boxes.shown.size(), before + 1);
        QVERIFY(m_services->boxes.shown.last().text.startsWith(QStringLiteral("The recording could not be saved")));
        QVERIFY(ui::Form10::instance()->isVisible());
        QVERIFY(!QFile::exists(onDrive(QStringLiteral("again.wav"))));
        ui::Form10::instance()->close();
        QCOMPARE(partFiles(), QStringList());
    }

    void conversionTool()
    {
        const QString input = toneWav(QStringLiteral("made by sox.wav"), 3);
        // A dangling link at the output: the MP3 takes its place, nothing appears where it points.
        const QString output = m_root.filePath(QStringLiteral("converted file.mp3"));
        QVERIFY(QFile::link(m_root.filePath(QStringLiteral("elsewhere.mp3")), output));
        m_services->dialogs.answers = {input, output};
        m_main->controls().Command10->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            m_services->boxes.texts().contains(QStringLiteral("Your MP3 has been created:  ") + output), 20000);
        const double seconds = mp3Seconds(output, m_root.path());
        QVERIFY2(std::abs(seconds - 3.0) <= 0.2, qPrintable(QString::number(seconds)));
        QVERIFY(!QFile::exists(m_root.filePath(QStringLiteral("elsewhere.mp3"))));
        QVERIFY(QFile::exists(input)); // the input is never touched
    }

    // The encoder runs out of room: no MP3 is left, not even in part, and the failure is said.
    void encoderOutOfSpace()
    {
        const QString full = m_root.filePath(QStringLiteral("full"));
        QVERIFY(QDir().mkpath(full));
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=16k"), QStringLiteral("tmpfs"), full})
            != 0)
            QSKIP("mounting a tmpfs needs root");
        const QString output = full + QStringLiteral("/out.mp3");
        m_services->boxes.shown.clear();
        m_services->dialogs.answers = {toneWav(QStringLiteral("long.wav"), 30), output};
        m_main->controls().Command10->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_services->boxes.shown.isEmpty(), 20000);
        const QStringList left = QDir(full).entryList(QDir::Files | QDir::Hidden);
        QProcess::execute(QStringLiteral("umount"), {full});
        QVERIFY2(m_services->boxes.shown.first().text.startsWith(QStringLiteral("The MP3 encoder could not make")),
                 qPrintable(m_services->boxes.shown.first().text));
        QCOMPARE(m_services->boxes.shown.size(), 1);
        QCOMPARE(left, QStringList());
    }

    // The program ends while the encoder runs (its QProcess goes, as at the end of main): the
    // encoder finishes, the MP3 is whole, and the WAV that was only a step goes.
    void encoderOutlivesTheProgram()
    {
        const QString wav = toneWav(QStringLiteral("-x/long take.wav"), 120);
        const QString mp3 = onDrive(QStringLiteral("long take.mp3"));
        bool told = false;
        const int started = output::startEncoder(
            m_services->services,
            output::EncoderJob {QString(), m_app + QStringLiteral("/lame"), wav, mp3, QString(), true},
            [&told](bool, const QString&) { told = true; });
        QCOMPARE(started, 0);
        m_services->services.processes->releaseAll();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mp3) && !QFile::exists(wav), 60000);
        QVERIFY(!told);
        const double seconds = mp3Seconds(mp3, m_root.path());
        QVERIFY2(std::abs(seconds - 120.0) <= 0.2, qPrintable(QString::number(seconds)));
        QCOMPARE(partFiles(), QStringList());
    }
};

QTEST_MAIN(TestRealEncoder)
#include "tst_realencoder.moc"
