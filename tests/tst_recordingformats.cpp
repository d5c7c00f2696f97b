// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturecommands.h"
#include "recordingformat.h"

#include <QTest>

using namespace quorvel::recorder;

class TestRecordingFormats : public QObject
{
    Q_OBJECT

private slots:
    void presets_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("bytesPerSec");
        const struct
        {
            const char* label;
            int rate, channels, bits, alignment, bytesPerSec;
        } rows[] = {
            {"8.000kHz, 8bit Mono, 7k/sec", 8000, 1, 8, 1, 8000},
            {"8.000kHz, 8bit Stereo, 15k/sec", 8000, 2, 8, 2, 16000},
            {"8.000kHz, 16bit Mono, 15k/sec", 8000, 1, 16, 2, 16000},
            {"8.000kHz, 16bit Stereo, 31k/sec", 8000, 2, 16, 4, 32000},
            {"11.025kHz, 8bit Mono, 10k/sec", 11025, 1, 8, 1, 11025},
            {"11.025kHz, 8bit Stereo, 21k/sec", 11025, 2, 8, 2, 22050},
            {"11.025kHz, 16bit Mono, 21k/sec", 11025, 1, 16, 2, 22050},
            {"11.025kHz, 16bit Stereo, 43k/sec", 11025, 2, 16, 4, 44100},
            {"22.050Hz, 8bit Mono, 21k/sec", 22050, 1, 8, 1, 22050},
            {"22.050Hz, 8bit Stereo, 43k/sec", 22050, 2, 8, 2, 44100},
            {"22.050Hz, 16bit Mono, 43k/sec", 22050, 1, 16, 2, 44100},
            {"22.050Hz, 16bit Stereo, 86k/sec", 22050, 2, 16, 4, 88200},
            {"44.100Hz, 8bit Mono, 43k/sec", 44100, 1, 8, 1, 44100},
            {"44.100Hz, 8bit Stereo, 86k/sec", 44100, 2, 8, 2, 88200},
            {"44.100Hz, 16bit Mono, 86k/sec", 44100, 1, 16, 2, 88200},
            {"44.100Hz, 16bit Stereo, 172k/sec", 44100, 2, 16, 4, 176400},
        };
        int index = 0;
        for (const auto& row : rows) {
            QTest::addRow("%d", index) << index << QString::fromLatin1(row.label) << row.rate << row.channels
                                       << row.bits << row.alignment << row.bytesPerSec;
            ++index;
        }
    }

    // Each row is where the list puts it, and finding it by its label gives the same numbers.
    void presets()
    {
        QFETCH(int, index);
        QFETCH(QString, label);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(int, alignment);
        QFETCH(int, bytesPerSec);

        QCOMPARE(recordingFormats.size(), 16u);
        const RecordingFormat& row = recordingFormats[static_cast<std::size_t>(index)];
        QCOMPARE(QString::fromLatin1(row.label.data(), static_cast<qsizetype>(row.label.size())), label);
        QCOMPARE(row.samplesPerSec, rate);
        QCOMPARE(row.channels, channels);
        QCOMPARE(row.bitsPerSample, bits);
        QCOMPARE(row.alignment(), alignment);
        QCOMPARE(row.bytesPerSec(), bytesPerSec);

        const auto found = formatForLabel(label.toStdString());
        QVERIFY(found);
        QCOMPARE(found->samplesPerSec, rate);
        QCOMPARE(found->channels, channels);
        QCOMPARE(found->bitsPerSample, bits);
    }

    void defaultIsElevenKilohertzStereo()
    {
        QCOMPARE(recordingFormats[defaultFormatIndex].label, std::string_view("11.025kHz, 16bit Stereo, 43k/sec"));
    }

    void lookupIsExact_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("empty") << QString();
        QTest::newRow("lower case") << QStringLiteral("44.100hz, 16bit stereo, 172k/sec");
        QTest::newRow("trailing blank") << QStringLiteral("44.100Hz, 16bit Stereo, 172k/sec ");
        QTest::newRow("leading blank") << QStringLiteral(" 8.000kHz, 8bit Mono, 7k/sec");
        QTest::newRow("kHz spelled right") << QStringLiteral("44.100kHz, 16bit Stereo, 172k/sec");
        QTest::newRow("typed text") << QStringLiteral("Combo1");
    }

    void lookupIsExact()
    {
        QFETCH(QString, label);
        QVERIFY(!formatForLabel(label.toStdString()));
    }

    void setFormatText_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("command");
        QTest::newRow("index 0") << 0
                                 << "set capture samplespersec 8000 channels 1 bitspersample 8 alignment 1 bytespersec "
                                    "8000";
        QTest::newRow("index 7") << 7
                                 << "set capture samplespersec 11025 channels 2 bitspersample 16 alignment 4 "
                                    "bytespersec 44100";
        QTest::newRow("index 15") << 15
                                  << "set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 "
                                     "bytespersec 176400";
        QTest::newRow("no match") << -1
                                  << "set capture samplespersec  channels  bitspersample  alignment 0 bytespersec 0";
    }

    void setFormatText()
    {
        QFETCH(int, index);
        QFETCH(QString, command);
        std::optional<RecordingFormat> format;
        if (index >= 0)
            format = formatForLabel(recordingFormats[static_cast<std::size_t>(index)].label);
        QCOMPARE(QString::fromStdString(setFormatCommand(format)), command);
    }

    void saveTextKeepsThePathAsItIs()
    {
        QCOMPARE(saveCommand("c:\\my take.wav"), std::string("save capture c:\\my take.wav"));
        QCOMPARE(saveCommand("c:\\.wav"), std::string("save capture c:\\.wav"));
    }
};

QTEST_GUILESS_MAIN(TestRecordingFormats)
#include "tst_recordingformats.moc"
