// SPDX-License-Identifier: GPL-3.0-or-later
// The settings reader fed a hundred thousand generated and damaged lines. Built with the address
// and undefined-behaviour sanitizers (float-cast-overflow included): a bad cast, an overflow or a
// stray read stops the run with a report.

#include "form8controls.h"
#include "recordingformat.h"
#include "settingsfile.h"

#include <QComboBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <random>

using namespace quorvel;

namespace {

// Values that are valid somewhere, values that are valid nowhere, and the edges between.
const QStringList tokens = {
    "0",
    "1",
    "2",
    "3",
    "-1",
    "-2",
    "7",
    "15",
    "16",
    "700",
    "1000",
    "1001",
    "100",
    "101",
    "2000",
    "2150",
    "2799",
    "2800",
    "6500",
    "5265",
    "4125",
    "-9000",
    "0.5",
    "1.5",
    "-0",
    "+1",
    ".5",
    "5.",
    "nan",
    "NaN",
    "inf",
    "-inf",
    "1e999",
    "1e-999",
    "1e3",
    "0x10",
    "99999999999999999999",
    "45000000000",
    "-45000000000",
    "1e308",
    "179769313486231570000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000",
    "#TRUE#",
    "#FALSE#",
    "#true#",
    "TRUE",
    "#TRUE",
    "",
    " ",
    "--1",
    "1.2.3",
    "1,5",
    "\t7",
    "7 ",
    "\xe9",
    "\x01",
};

const QRegularExpression validLine(QStringLiteral(
    "^[012],[012],\\d{1,4},\\d{1,3},-?\\d{1,2},-?\\d+(\\.\\d+)?,-?\\d+(\\.\\d+)?,-?\\d+(\\.\\d+)?,[012],[012],"
    "#(TRUE|FALSE)#,#(TRUE|FALSE)#$"));

class Generator
{
public:
    explicit Generator(unsigned seed)
        : m_random(seed)
    {
    }

    QString line()
    {
        QStringList fields;
        const int count = pick(4) == 0 ? pick(16) : 12;
        for (int i = 0; i < count; ++i)
            fields << (pick(3) == 0 ? tokens.at(pick(tokens.size())) : plausible(i));
        QString text = fields.join(QLatin1Char(','));
        for (int n = pick(4); n > 0 && !text.isEmpty(); --n)
            mutate(text);
        return text;
    }

private:
    int pick(qsizetype below)
    {
        return static_cast<int>(std::uniform_int_distribution<qsizetype>(0, below - 1)(m_random));
    }

    QString plausible(int field)
    {
        switch (field) {
        case 0:
        case 1:
        case 8:
        case 9:
            return QString::number(pick(4));
        case 2:
            return QString::number(pick(1100));
        case 3:
            return QString::number(pick(110));
        case 4:
            return QString::number(pick(18) - 1);
        case 5:
        case 6:
        case 7: {
            const double value = std::uniform_real_distribution<double>(-1e6, 1e6)(m_random);
            return pick(2) ? QString::number(static_cast<long long>(value)) : QString::number(value, 'f', pick(4));
        }
        default:
            return pick(2) ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#");
        }
    }

    void mutate(QString& text)
    {
        const int at = pick(text.size());
        switch (pick(5)) {
        case 0:
            text.remove(at, 1 + pick(4));
            break;
        case 1:
            text.insert(at, QChar(pick(256)));
            break;
        case 2:
            text[at] = QChar(pick(128));
            break;
        case 3:
            text.truncate(at);
            break;
        default:
            text.insert(at, tokens.at(pick(tokens.size())));
            break;
        }
    }

    std::mt19937 m_random;
};

} // namespace

class TestSettingsFuzz : public QObject
{
    Q_OBJECT

private slots:
    void damagedLines()
    {
        QWidget form;
        ui::Form8Controls c;
        c.setupControls(&form);
        for (const auto& format : recorder::recordingFormats)
            c.cbxformat->addItem(QString::fromLatin1(format.label.data(), qsizetype(format.label.size())));
        QTemporaryDir folder;
        Generator generator(20261209);

        for (int n = 0; n < 100000; ++n) {
            const QString line = generator.line();
            if (n % 100 == 0) {
                // Through the file as well: bytes as they are, NUL and all.
                QFile file(folder.filePath(QStringLiteral("settings9.txt")));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(line.toLatin1() + (n % 200 ? "\r\n" : ""));
                file.close();
                shell::readSettings(c, form, folder.path());
            } else {
                shell::applySettingsLine(c, form, line);
            }
            const QString written = shell::settingsLine(c, form);
            QVERIFY2(validLine.match(written).hasMatch(), qPrintable(line + QStringLiteral(" -> ") + written));
            // What the program writes, it reads back to the same line.
            shell::applySettingsLine(c, form, written);
            QVERIFY2(shell::settingsLine(c, form) == written,
                     qPrintable(line + QStringLiteral(" -> ") + written + QStringLiteral(" -> ")
                                + shell::settingsLine(c, form)));
        }
    }
};

QTEST_MAIN(TestSettingsFuzz)
#include "tst_settingsfuzz.moc"
