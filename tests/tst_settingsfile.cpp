// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: what a start-up reads back from it, what a shutdown writes, and what becomes
// of a damaged or unwritable one.

#include "doubles.h"
#include "filesizelimit.h"
#include "form8.h"

#include <QDir>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// What a start-up without a file leaves, as the shutdown writes it.
const QString defaults = QStringLiteral("0,0,700,70,7,6500,5265,4125,0,0,#FALSE#,#TRUE#");

QStringList fieldsOf(const QString& line)
{
    return line.split(QLatin1Char(','));
}

bool wholeOnOneScreen(const QRect& window)
{
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().contains(window))
            return true;
    }
    return false;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app, m_config;
    std::unique_ptr<TestServices> m_services;
    ui::Form8* m_form = nullptr;

    QString settingsPath() const { return m_app.filePath(QStringLiteral("settings9.txt")); }

    void writeFile(const QByteArray& bytes)
    {
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray readFile() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A start-up with this file (none when empty).
    ui::Form8Controls& load(const QByteArray& file)
    {
        QFile::remove(settingsPath());
        if (!file.isEmpty())
            writeFile(file);
        m_services = std::make_unique<TestServices>(m_app.path());
        m_form = new ui::Form8(m_services->services);
        m_form->Form_Load();
        return m_form->controls();
    }

    // The shutdown, and the line it wrote.
    QString unload()
    {
        m_form->Form_Unload();
        const QByteArray bytes = readFile();
        return bytes.endsWith("\r\n") ? QString::fromLatin1(bytes.chopped(2))
                                      : QStringLiteral("(no line: %1)").arg(QString::fromLatin1(bytes));
    }

    QString roundTrip(const QString& line)
    {
        load(line.toLatin1() + "\r\n");
        return unload();
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        QCOMPARE(roundTrip(QString()), defaults); // no file: the layout's values
    }

    void cleanup()
    {
        delete m_form;
        m_form = nullptr;
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("collapsed, size rule, start at log-in") << "1,0,700,70,7,2150,5265,4125,0,1,#FALSE#,#TRUE#";
        QTest::newRow("no selection, left screen, MP3") << "2,1,1000,1,-1,6500,-9000,-9000,1,2,#TRUE#,#FALSE#";
        QTest::newRow("grayed, expanded at 2800, neither output") << "0,2,1,100,15,2800,0,0,2,0,#FALSE#,#FALSE#";
        QTest::newRow("fractions of a twip") << "0,0,250,20,3,3000.5,5265.5,4125.25,0,0,#FALSE#,#TRUE#";
    }

    void roundTrip()
    {
        QFETCH(QString, line);
        QCOMPARE(roundTrip(line), line);
    }

    void outputAsMp3()
    {
        auto& c = load({});
        c.Option1->click();
        QVERIFY(unload().endsWith(QLatin1String(",#TRUE#,#FALSE#")));
        QVERIFY(load(readFile()).Option1->isChecked());
        QVERIFY(!m_form->controls().Option2->isChecked());
    }

    // Each field in turn gets a value its control refuses; everything stays as it was.
    void refusedValues_data()
    {
        QTest::addColumn<QString>("line");
        const QStringList anyField = {"nan", "inf", "-inf", "1e999", "1e3", "0x10", "7x", "", " ", "--1", "1.2.3"};
        const QList<QStringList> ranges = {
            {"3", "-1"}, {"3", "-1"}, {"0", "1001"}, {"0", "101"}, {"16", "-2"},  {},
            {},          {},          {"3"},         {"3"},        {"TRUE", "1"}, {"0"},
        };
        const QStringList fields = fieldsOf(defaults);
        for (int i = 0; i < fields.size(); ++i) {
            for (const QString& value : anyField + ranges.at(i)) {
                QStringList changed = fields;
                changed[i] = value;
                QTest::addRow("field %d \"%s\"", i + 1, qPrintable(value)) << changed.join(QLatin1Char(','));
            }
        }
    }

    void refusedValues()
    {
        QFETCH(QString, line);
        auto& c = load(line.toLatin1() + "\r\n");
        QCOMPARE(c.Text5->text(), QStringLiteral("700"));
        QCOMPARE(c.Text6->text(), QStringLiteral("70"));
        QCOMPARE(unload(), defaults);
    }

    void heights_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<int>("clientHeight");
        QTest::addColumn<QString>("written");
        QTest::newRow("2800") << "2800" << true << 162 << "2800";
        QTest::newRow("2799") << "2799" << false << 162 << "2799";
        QTest::newRow("2150") << "2150" << false << 119 << "2150";
        QTest::newRow("2000") << "2000" << false << 119 << "2150";
        QTest::newRow("0") << "0" << false << 119 << "2150";
        QTest::newRow("far too tall") << "100000000" << true << 409 << "6500";
        QTest::newRow("past 32 bits") << "45000000000" << true << 409 << "6500";
    }

    void heights()
    {
        QFETCH(QString, stored);
        QFETCH(bool, expanded);
        QFETCH(int, clientHeight);
        QFETCH(QString, written);
        QStringList line = fieldsOf(defaults);
        line[5] = stored;
        auto& c = load(line.join(QLatin1Char(',')).toLatin1() + "\r\n");
        QCOMPARE(c.Command9->isHidden(), !expanded);
        QCOMPARE(c.Command8->isHidden(), expanded);
        QCOMPARE(m_form->height(), clientHeight);
        QCOMPARE(fieldsOf(unload()).at(5), written);
    }

    // A window stored off every screen comes back whole on the nearest one.
    void positions_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<bool>("moved");
        QTest::newRow("on the primary screen") << "5265"
                                               << "4125" << false;
        QTest::newRow("on the left screen") << "-9000"
                                            << "-9000" << false;
        QTest::newRow("far right") << "100000000"
                                   << "4125" << true;
        QTest::newRow("far left and up") << "-45000000000"
                                         << "-45000000000" << true;
        QTest::newRow("across the bottom edge") << "0"
                                                << "10000" << true;
        QTest::newRow("in the gap between screens") << "-3000"
                                                    << "3000" << true;
    }

    void positions()
    {
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(bool, moved);
        QStringList line = fieldsOf(defaults);
        line[6] = left;
        line[7] = top;
        load(line.join(QLatin1Char(',')).toLatin1() + "\r\n");
        const QRect window(m_form->pos(), QSize(m_form->width(), m_form->height() + 24));
        QVERIFY2(wholeOnOneScreen(window), qPrintable(QStringLiteral("%1,%2").arg(window.x()).arg(window.y())));
        const QStringList written = fieldsOf(unload());
        QCOMPARE(written.mid(6, 2) != QStringList({left, top}), moved);
        QCOMPARE(written.at(6), QString::number(m_form->pos().x() * 15));
    }

    // Whatever part of a line survived is applied: whole fields as written, missing ones as they were.
    void fileCutAfterAnyByte()
    {
        const QByteArray full = "1,1,123,45,3,2800,1500,1200,1,2,#TRUE#,#FALSE#\r\n";
        const QStringList wanted = fieldsOf(QString::fromLatin1(full.chopped(2)));
        const QStringList fallback = fieldsOf(defaults);
        for (qsizetype cut = 1; cut <= full.size(); ++cut) {
            const QByteArray part = full.left(cut);
            load(part);
            const QStringList written = fieldsOf(unload());
            QCOMPARE(written.size(), 12);
            const qsizetype complete = part.count(',') + (part.endsWith("\r\n") || part.endsWith('\r') ? 1 : 0);
            for (int i = 0; i < 12; ++i) {
                if (i < complete)
                    QVERIFY2(written.at(i) == wanted.at(i),
                             qPrintable(QStringLiteral("cut %1, field %2").arg(cut).arg(i + 1)));
                else if (i > complete && !(i == 11 && complete == 10)) // a whole #TRUE# clears the other option
                    QVERIFY2(written.at(i) == fallback.at(i),
                             qPrintable(QStringLiteral("cut %1, field %2").arg(cut).arg(i + 1)));
            }
            delete m_form;
            m_form = nullptr;
        }
    }

    // A write that fails half-way leaves the old file as it was, and the shutdown still goes on.
    void failedWriteKeepsTheOldFile()
    {
        const QByteArray old = "1,0,700,70,7,2150,5265,4125,0,0,#FALSE#,#TRUE#\r\n";
        auto& c = load(old);
        c.HScroll1->setValue(999);
        {
            const FileSizeLimit tiny(10); // the new line cannot be written
            QVERIFY(tiny.isSet());
            m_form->Form_Unload();
        }
        QCOMPARE(readFile(), old);
        QCOMPARE(QDir(m_app.path()).entryList(QDir::Files), QStringList {QStringLiteral("settings9.txt")});
        QVERIFY(m_services->mci.commands.contains(QStringLiteral("close capture")));
        QVERIFY(FakeNotifyIcon::last && !FakeNotifyIcon::last->shown);
    }

    // Only a plain file or a link under the name is replaced (the link itself, never what it
    // points to); a pipe or a device node there is left as it was, and the refusal is logged.
    void onlyAPlainFileIsReplaced_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<bool>("asLink");
        QTest::newRow("link to a pipe") << "pipe" << true;
        QTest::newRow("link to a device node") << "node" << true;
        QTest::newRow("a pipe") << "pipe" << false;
        QTest::newRow("a device node") << "node" << false;
    }

    void onlyAPlainFileIsReplaced()
    {
        QFETCH(QString, planted);
        QFETCH(bool, asLink);
        QTemporaryDir scratch;
        const QString node = asLink ? scratch.filePath(planted) : settingsPath();
        auto& c = load(QByteArray());
        c.HScroll1->setValue(999);
        const QByteArray name = QFile::encodeName(node);
        if (planted == QLatin1String("node") && ::geteuid() != 0)
            QSKIP("making a device node needs root");
        QCOMPARE(planted == QLatin1String("pipe") ? ::mkfifo(name.constData(), 0600)
                                                  : ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)),
                 0);
        if (asLink)
            QVERIFY(QFile::link(node, settingsPath()));
        m_form->Form_Unload();
        struct stat info
        {
        };
        QVERIFY(::lstat(name.constData(), &info) == 0);
        QVERIFY(planted == QLatin1String("pipe") ? S_ISFIFO(info.st_mode) : S_ISCHR(info.st_mode));
        if (asLink)
            QCOMPARE(fieldsOf(QString::fromLatin1(readFile().trimmed())).value(2), QStringLiteral("999"));
        QFile::remove(settingsPath());
        QCOMPARE(QDir(m_app.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList());
    }

    // A box restored grayed goes back to two states at the user's first click.
    void grayedBoxClicksToTwoStates()
    {
        auto& c = load("2,0,700,70,7,6500,5265,4125,0,0,#FALSE#,#TRUE#\r\n");
        QCOMPARE(ui::checkValue(c.Check1), 2);
        QList<int> values;
        for (int i = 0; i < 4; ++i) {
            c.Check1->click();
            values << ui::checkValue(c.Check1);
        }
        QCOMPARE(values, QList<int>({1, 0, 1, 0}));
        QVERIFY(!c.Text5->isEnabled() && !c.HScroll1->isEnabled());
    }
};

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
