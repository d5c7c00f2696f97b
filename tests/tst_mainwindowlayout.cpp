// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as it comes from its layout, and as the start-up sequence leaves it.

#include "doubles.h"
#include "form8.h"

#include <QAccessible>
#include <QApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using namespace quorvel::test;

namespace {

QString captionOf(QWidget* w)
{
    if (auto* box = qobject_cast<QGroupBox*>(w))
        return box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    return {};
}

class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QMap<QObject*, int>& paints)
        : m_paints(paints)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_paints[watched];
        return false;
    }

private:
    QMap<QObject*, int>& m_paints;
};

} // namespace

class TestMainWindowLayout : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    std::unique_ptr<TestServices> m_services;
    ui::Form8* m_form = nullptr;

private slots:
    void init()
    {
        m_services = std::make_unique<TestServices>(m_app.path());
        m_form = new ui::Form8(m_services->services);
    }

    void cleanup()
    {
        delete m_form;
        m_form = nullptr;
        QFile::remove(m_app.filePath(QStringLiteral("settings9.txt")));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry"); // pixels at 96 dpi: twips / 15
        QTest::addColumn<bool>("enabled");
        const struct
        {
            const char *name, *kind, *parent, *caption;
            int x, y, w, h;
            bool enabled;
        } rows[] = {
            {"Frame7", "QGroupBox", "Form8", "Output Options", 8, 200, 377, 57, true},
            {"Frame6", "QGroupBox", "Form8", "Startup Options", 232, 128, 153, 65, true},
            {"Frame5", "QGroupBox", "Form8", "Select Recording Quality", 8, 128, 217, 65, true},
            {"Frame4", "QGroupBox", "Form8", "Auto Stop Options", 8, 264, 377, 137, true},
            {"Command1", "QPushButton", "Form8", "Reset", 320, 32, 49, 17, true},
            {"Text2", "QLineEdit", "Form8", "Text2", 8, 264, 369, 25, true},
            {"Command2", "QPushButton", "Form8", "Record", 208, 32, 49, 17, true},
            {"Command3", "QPushButton", "Form8", "Stop", 208, 32, 49, 17, false},
            {"Command4", "QPushButton", "Form8", "Listen", 264, 32, 49, 17, false},
            {"Frame2", "QGroupBox", "Form8", "Controls", 192, 8, 193, 105, true},
            {"Frame3", "QGroupBox", "Form8", "Information", 8, 8, 177, 105, true},
            {"Frame1", "QFrame", "Form8", "", 208, 8, 177, 105, true},
            {"Command10", "QPushButton", "Frame7", "MP3 Conversion", 240, 24, 121, 17, true},
            {"Option2", "QRadioButton", "Frame7", "Output As .Wav", 128, 24, 105, 17, true},
            {"Option1", "QRadioButton", "Frame7", "Output As MP3", 16, 24, 153, 17, true},
            {"Check4", "QCheckBox", "Frame6", "Load At Windows Start", 8, 16, 137, 17, true},
            {"Check3", "QCheckBox", "Frame6", "Start Minimized", 8, 40, 97, 17, true},
            {"Picture2", "QLabel", "Frame5", "", 256, 56, 65, 33, true},
            {"cbxformat", "QComboBox", "Frame5", "", 16, 24, 185, 21, true},
            {"Text6", "QLineEdit", "Frame4", "Text6", 320, 102, 41, 19, true},
            {"Text5", "QLineEdit", "Frame4", "Text5", 320, 38, 41, 19, true},
            {"HScroll2", "QScrollBar", "Frame4", "", 112, 112, 201, 9, true},
            {"Check2", "QCheckBox", "Frame4", "Stop recording when file length reaches target length", 16, 80, 281, 21,
             true},
            {"HScroll1", "QScrollBar", "Frame4", "", 112, 48, 201, 9, true},
            {"Check1", "QCheckBox", "Frame4", "Stop recording when file size reaches target filesize", 16, 24, 345, 17,
             true},
            {"Label10", "QLabel", "Frame4", "Target Length (Min)", 8, 112, 97, 17, true},
            {"Label8", "QLabel", "Frame4", "Target Filesize MB", 16, 48, 96, 17, true}, // widened up to its slider
            {"Command6", "QPushButton", "Frame2", "Help", 128, 80, 49, 17, true},
            {"Command9", "QPushButton", "Frame2", "Toggle", 16, 80, 49, 17, true},
            {"Command8", "QPushButton", "Frame2", "Toggle", 16, 80, 49, 17, true},
            {"Command7", "QPushButton", "Frame2", "Tray", 72, 80, 49, 17, true},
            {"Command5", "QPushButton", "Frame2", "Save ", 16, 48, 161, 17, true},
            {"SkinLabel3", "QLabel", "Frame3", "File Length", 8, 72, 57, 17, true},
            {"SkinLabel2", "QLabel", "Frame3", "Filesize(MB)", 8, 48, 57, 17, true},
            {"SkinLabel1", "QLabel", "Frame3", "Status", 8, 24, 57, 17, true},
            {"Text4", "QLineEdit", "Frame3", "Text4", 72, 48, 97, 19, true},
            {"Text3", "QLineEdit", "Frame3", "Text3", 72, 24, 97, 19, true},
            {"Text1", "QLineEdit", "Frame3", "00:00:00", 72, 72, 97, 18, true},
        };
        for (const auto& r : rows) {
            QTest::newRow(r.name) << QString::fromLatin1(r.name) << QString::fromLatin1(r.kind)
                                  << QString::fromLatin1(r.parent) << QString::fromUtf8(r.caption)
                                  << QRect(r.x, r.y, r.w, r.h) << r.enabled;
        }
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        QFETCH(bool, enabled);
        auto* w = m_form->findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), kind);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(captionOf(w), caption);
        QCOMPARE(w->geometry(), geometry);
        QCOMPARE(w->isEnabled(), enabled);
        QVERIFY(!w->isHidden());
    }

    void windowAndInitialValues()
    {
        auto& c = m_form->controls();
        QCOMPARE(m_form->geometry(), QRect(351, 275, 393, 409));
        QCOMPARE(m_form->palette().color(QPalette::Window), QColor(128, 128, 255));
        QCOMPARE(c.Command2->palette().color(QPalette::Button), QColor(255, 0, 0));
        QCOMPARE(c.Text1->palette().color(QPalette::Base), QColor(255, 255, 192));
        QVERIFY(c.Text1->font().bold());
        QCOMPARE(c.Text1->alignment(), Qt::AlignCenter);
        QVERIFY(c.Option2->isChecked());
        QVERIFY(!c.Option1->isChecked());
        for (auto* box : {c.Check1, c.Check2, c.Check3, c.Check4})
            QCOMPARE(box->checkState(), Qt::Unchecked);
        QVERIFY(c.cbxformat->isEditable());
        QCOMPARE(c.cbxformat->count(), 0);
        QCOMPARE(c.HScroll1->minimum(), 1);
        QCOMPARE(c.HScroll1->maximum(), 1000);
        QCOMPARE(c.HScroll1->singleStep(), 1);
        QCOMPARE(c.HScroll1->pageStep(), 200);
        QCOMPARE(c.HScroll1->value(), 700);
        QCOMPARE(c.HScroll2->minimum(), 1);
        QCOMPARE(c.HScroll2->maximum(), 100);
        QCOMPARE(c.HScroll2->singleStep(), 1);
        QCOMPARE(c.HScroll2->pageStep(), 20);
        QCOMPARE(c.HScroll2->value(), 70);
        QVERIFY(!c.Picture2->pixmap().isNull());

        QCOMPARE(c.Timer1->interval(), 500);
        QVERIFY(c.Timer1->isActive());
        QCOMPARE(c.Timer2->interval(), 19);
        QVERIFY(c.Timer2->isActive());
        QVERIFY(!c.Timer3->isActive());
        QCOMPARE(c.Timer4->interval(), 1000);
        QVERIFY(!c.Timer4->isActive());
    }

    // Where controls overlap, the one in front is the one the user sees and clicks.
    void stacking()
    {
        auto stackIndex = [this](const char* name) {
            auto* w = m_form->findChild<QWidget*>(QLatin1String(name));
            return w->parentWidget()->children().indexOf(w);
        };
        QVERIFY(stackIndex("Command2") > stackIndex("Command3"));
        QVERIFY(stackIndex("Command9") > stackIndex("Command8"));
        QVERIFY(stackIndex("Frame4") > stackIndex("Text2"));
        QVERIFY(stackIndex("Frame2") > stackIndex("Frame1"));
        for (const char* button : {"Command1", "Command2", "Command3", "Command4"})
            QVERIFY(stackIndex(button) > stackIndex("Frame2"));
        QVERIFY(stackIndex("Option2") > stackIndex("Option1"));
    }

    // By keyboard and screen reader: Tab from Record goes round the controls a user sees and can
    // use, in the layout's order, and each says what it is, by its own label (never its frame's).
    void keyboardWalk()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        auto& c = m_form->controls();
        c.Command2->setFocus();
        QStringList walk, frames;
        for (const QGroupBox* frame : m_form->findChildren<QGroupBox*>())
            frames << frame->title();
        QWidget* focused = c.Command2;
        do {
            // The quality list's text field has the keyboard for it.
            QWidget* control = qobject_cast<QComboBox*>(focused->parentWidget()) ? focused->parentWidget() : focused;
            walk << control->objectName();
            // What has the keyboard, as the screen reader is told of it.
            const QString name = QAccessible::queryAccessibleInterface(focused)->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty() && !frames.contains(name),
                     qPrintable(control->objectName() + QLatin1Char(' ') + name));
            // On Linux a combo box is named by its value: its text field must carry the name itself.
            if (auto* box = qobject_cast<QComboBox*>(control))
                QVERIFY(!box->lineEdit()->accessibleName().isEmpty());
            QTest::keyClick(focused, Qt::Key_Tab);
            focused = QApplication::focusWidget();
        } while (focused != c.Command2 && walk.size() < 40);
        // (The window as built, before its start-up: Listen is off, Stop and the first Toggle lie
        // behind others, Text2 is never seen; of the two output options the chosen one.)
        QCOMPARE(walk, QStringList({"Command2", "Command5",  "Command1",  "Command7", "Text1",  "Check1", "HScroll1",
                                    "Check2",   "HScroll2",  "cbxformat", "Command9", "Check3", "Check4", "Command6",
                                    "Option1",  "Command10", "Text3",     "Text4",    "Text5",  "Text6"}));
        for (const QLineEdit* status : {c.Text1, c.Text3, c.Text4})
            QVERIFY(QAccessible::queryAccessibleInterface(const_cast<QLineEdit*>(status))->state().readOnly);
        // The whole tree: nothing the user can't see takes the keyboard, whether hidden or lying
        // wholly behind a shown control (Text2 behind its frame, Stop behind Record, a Toggle
        // behind the other).
        for (QWidget* w : m_form->findChildren<QWidget*>()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(m_form) || !w->parentWidget())
                continue;
            const QObjectList siblings = w->parentWidget()->children();
            for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i) {
                auto* above = qobject_cast<QWidget*>(siblings[i]);
                if (above && above->isVisibleTo(m_form) && above->geometry().contains(w->geometry()))
                    QFAIL(qPrintable(w->objectName() + QStringLiteral(" lies behind ") + above->objectName()));
            }
        }
        // After Record, Stop is reached instead; after Toggle, the other Toggle.
        c.Command2->click();
        c.Command9->click();
        QVERIFY(c.Command3->focusPolicy() & Qt::TabFocus);
        QVERIFY(c.Command8->focusPolicy() & Qt::TabFocus);
        QCOMPARE(c.Command9->focusPolicy(), Qt::StrongFocus);
    }

    // What is typed into the quality box is either one of its labels, and chosen, or gives way to
    // the label in force.
    void typedQuality()
    {
        m_form->Form_Load();
        auto* box = m_form->controls().cbxformat;
        QCOMPARE(box->currentIndex(), 7);
        const QString inForce = box->currentText();
        box->lineEdit()->setText(QStringLiteral("96kHz, 24bit"));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(box->currentIndex(), 7);
        QCOMPARE(box->lineEdit()->text(), inForce);
        box->lineEdit()->setText(box->itemText(15).toUpper());
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(box->currentIndex(), 15);
        QCOMPARE(box->lineEdit()->text(), box->itemText(15));
    }

    void trayMenu()
    {
        const auto actions = m_form->controls().mnuTray->actions();
        QStringList texts;
        QList<bool> enabled;
        for (QAction* action : actions) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            enabled << action->isEnabled();
            QVERIFY(action->isVisible());
        }
        QCOMPARE(texts,
                 QStringList({QStringLiteral("Exit"), QStringLiteral("-"), QStringLiteral("Save"), QStringLiteral("-"),
                              QStringLiteral("Listen"), QStringLiteral("Reset"), QStringLiteral("Record Now"),
                              QStringLiteral("Stop")}));
        QCOMPARE(enabled[0], true); // Exit
        QCOMPARE(enabled[2], false); // Save
        QCOMPARE(enabled[4], false); // Listen
        QCOMPARE(enabled[5], false); // Reset
        QCOMPARE(enabled[6], true); // Record Now
        QCOMPARE(enabled[7], false); // Stop
        QCOMPARE(actions[0]->objectName(), QStringLiteral("exit2"));
        QCOMPARE(actions[7]->objectName(), QStringLiteral("stop2"));
    }

    // The size and the clock change every second while recording: each change repaints its own box,
    // never the panel or the window behind it.
    void changedTextRepaintsOnlyItsBox()
    {
        auto& c = m_form->controls();
        m_form->Form_Load();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        QMap<QObject*, int> paints;
        PaintCounter counter(paints);
        for (QWidget* w : {static_cast<QWidget*>(m_form), static_cast<QWidget*>(c.Frame3),
                           static_cast<QWidget*>(c.Text1), static_cast<QWidget*>(c.Text4)})
            w->installEventFilter(&counter);
        QTest::qWait(50);
        paints.clear();

        c.Text4->setText(QStringLiteral("1.5"));
        c.Text1->setText(QStringLiteral("00:00:01"));
        QTRY_VERIFY(paints.value(c.Text4) > 0 && paints.value(c.Text1) > 0);
        QCOMPARE(paints.value(c.Frame3), 0);
        QCOMPARE(paints.value(m_form), 0);
        m_form->Form_Unload();
    }

    // First start: no settings file.
    void startUpWithoutSettings()
    {
        auto& c = m_form->controls();
        QCOMPARE(m_form->Form_Load(), shell::StartVisibility::Shown);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvel"));
        QCOMPARE(c.cbxformat->count(), 16);
        QCOMPARE(c.cbxformat->currentIndex(), 7);
        QCOMPARE(c.cbxformat->currentText(), QStringLiteral("11.025kHz, 16bit Stereo, 43k/sec"));
        QCOMPARE(c.Text5->text(), QStringLiteral("700"));
        QCOMPARE(c.Text6->text(), QStringLiteral("70"));
        QVERIFY(!c.Command1->isEnabled());
        QVERIFY(!c.Command5->isEnabled());
        QVERIFY(!c.Timer3->isActive());
        QVERIFY(c.Option2->isChecked());
        QCOMPARE(m_services->mci.commands,
                 QStringList({QStringLiteral("close all"), QStringLiteral("open new type waveaudio alias capture")}));
        QVERIFY(FakeNotifyIcon::last && FakeNotifyIcon::last->shown);
        QCOMPARE(FakeNotifyIcon::last->tip, QStringLiteral("Right Click For Options"));
        QVERIFY(!FakeNotifyIcon::last->icon.isNull());

        QPointer<FakeNotifyIcon> icon = FakeNotifyIcon::last;
        m_services->mci.clear();
        m_form->Form_Unload();
        QCOMPARE(m_services->mci.commands, QStringList({QStringLiteral("close capture")}));
        QVERIFY(!icon->shown);
        QTRY_VERIFY(!icon);
        QVERIFY(QFile::exists(m_app.filePath(QStringLiteral("settings9.txt"))));
        m_form->Form_Unload(); // once only
        QCOMPARE(m_services->mci.commands.size(), 1);
    }
};

QTEST_MAIN(TestMainWindowLayout)
#include "tst_mainwindowlayout.moc"
