// Saving through the real device (fed by the synthetic backend) and the real lame encoder.

#include "audio/syntheticbackend.h"
#include "dialogs.h"
#include "doubles.h"
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
    if (QProcess::execute(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("--decode"), mp3, wav})
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
        m_drive = m_root.filePath(QStringLiteral("drive"));
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

    // Runs after the WAV test: the MP3 save closes the device.
    void mp3SaveThenASecondSave()
    {
        m_main->controls().Option1->setChecked(true);
        saveAs(QStringLiteral("tone mp3"));
        const QString mp3 = onDrive(QStringLiteral("tone mp3.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(onDrive(QStringLiteral("tone mp3.wav"))), 20000);
        QVERIFY(QFileInfo(mp3).size() > 0);
        const double seconds = mp3Seconds(mp3, m_root.path());
        QVERIFY2(std::abs(seconds - 2.0) <= 0.2, qPrintable(QString::number(seconds)));
        QCOMPARE(m_services->mci.commands, QStringList()); // the real device got the commands, not the double

        // The device is closed now: a second save is an error, and the program goes on.
        const int before = m_services->boxes.shown.size();
        saveAs(QStringLiteral("again"));
        QCOMPARE(m_services->boxes.shown.size(), before + 1);
        QVERIFY(m_services->boxes.shown.last().text.startsWith(QStringLiteral("The recording could not be saved")));
        QVERIFY(ui::Form10::instance()->isVisible());
        QVERIFY(!QFile::exists(onDrive(QStringLiteral("again.wav"))));
        ui::Form10::instance()->close();
    }

    void conversionTool()
    {
        const QString input = m_root.filePath(QStringLiteral("made by sox.wav"));
        QCOMPARE(QProcess::execute(QStringLiteral("sox"),
                                   {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"),
                                    QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                                    QStringLiteral("16"), input, QStringLiteral("synth"), QStringLiteral("3"),
                                    QStringLiteral("sine"), QStringLiteral("440")}),
                 0);
        const QString output = m_root.filePath(QStringLiteral("converted file.mp3"));
        m_services->dialogs.answers = {input, output};
        m_main->controls().Command10->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > 0, 20000);
        QTest::qWait(500); // let the encoder finish its file
        const double seconds = mp3Seconds(output, m_root.path());
        QVERIFY2(std::abs(seconds - 3.0) <= 0.2, qPrintable(QString::number(seconds)));
        QVERIFY(QFile::exists(input)); // the input is never touched
    }
};

QTEST_MAIN(TestRealEncoder)
#include "tst_realencoder.moc"
