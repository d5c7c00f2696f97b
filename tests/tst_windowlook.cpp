// SPDX-License-Identifier: GPL-3.0-or-later
// What a user sees, on the test display at 96 dpi with the fonts the project installs: no caption
// cut off, nothing unreadable, and the same look after a Reset. Screenshots of the windows are
// kept in the build's test output folder.

#include "dialogs.h"
#include "doubles.h"
#include "form8.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::test;

namespace {

void keepScreenshot(QWidget* window, const QString& name)
{
    QDir().mkpath(QStringLiteral(QUORVEL_TEST_OUTPUT));
    window->grab().save(QStringLiteral(QUORVEL_TEST_OUTPUT "/") + name + QStringLiteral(".png"));
}

// A one-line caption fits its control's width.
bool fits(const QLabel* label)
{
    return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
}

// The one-line labels of a window whose caption does not fit.
QStringList cutCaptions(QWidget* window)
{
    QStringList cut;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->text().isEmpty() && !label->wordWrap() && !fits(label))
            cut << label->objectName();
    }
    return cut;
}

// The darkest pixel of a control's text, 0 black to 255 white.
int darkest(QWidget* widget, int fromX)
{
    const QImage image = widget->grab().toImage();
    int value = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = fromX; x < image.width(); ++x)
            value = std::min(value, qGray(image.pixel(x, y)));
    }
    return value;
}

} // namespace

class TestWindowLook : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    std::unique_ptr<TestServices> m_services;
    QPointer<ui::Form8> m_form;

private slots:
    void init()
    {
        m_services = std::make_unique<TestServices>(m_app.path());
        m_form = ui::Form8::load(m_services->services);
        connect(m_form, &ui::Form8::reloaded, this, [this](ui::Form8* next) { m_form = next; });
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }

    void cleanup() { delete m_form.data(); }

    void mainWindow()
    {
        auto& c = m_form->controls();
        keepScreenshot(m_form, QStringLiteral("main-window"));
        // The quality box shows its label from the first character, at start and after a choice.
        QCOMPARE(c.cbxformat->lineEdit()->cursorPosition(), 0);
        c.cbxformat->setCurrentIndex(15);
        QCOMPARE(c.cbxformat->lineEdit()->cursorPosition(), 0);
        // Every label whole within the box.
        for (int i = 0; i < c.cbxformat->count(); ++i) {
            const QString label = c.cbxformat->itemText(i);
            QVERIFY2(c.cbxformat->lineEdit()->fontMetrics().horizontalAdvance(label) < c.cbxformat->lineEdit()->width(),
                     qPrintable(label));
        }
        // "Target Filesize MB" looks like "Target Length (Min)" and ends before its slider begins;
        // switched off, it is still readable.
        QCOMPARE(QFontInfo(c.Label8->font()).family(), QFontInfo(c.Label10->font()).family());
        QCOMPARE(QFontInfo(c.Label8->font()).pixelSize(), QFontInfo(c.Label10->font()).pixelSize());
        QVERIFY(fits(c.Label8));
        QVERIFY(c.Label8->x() + c.Label8->fontMetrics().horizontalAdvance(c.Label8->text()) < c.HScroll1->x());
        QCOMPARE(cutCaptions(m_form), QStringList());
        // A disabled option is dark enough to read on its grey panel.
        const int enabledText = darkest(c.Check3, 18);
        c.Check4->click();
        c.Check4->click();
        QVERIFY(!c.Check3->isEnabled());
        keepScreenshot(c.Frame6, QStringLiteral("startup-options-disabled"));
        QVERIFY2(darkest(c.Check3, 18) <= 100, qPrintable(QString::number(darkest(c.Check3, 18))));
        QVERIFY(enabledText < darkest(c.Check3, 18)); // and still looks disabled
        c.Check1->click();
        c.Check1->click();
        QVERIFY(!c.Label8->isEnabled());
        QVERIFY2(darkest(c.Label8, 0) <= 100, qPrintable(QString::number(darkest(c.Label8, 0))));
    }

    // The clock looks the same in the window that a Reset brings.
    void clockAfterReset()
    {
        const QImage before = m_form->controls().Text1->grab().toImage();
        QVERIFY(QFontInfo(m_form->controls().Text1->font()).bold());
        m_form->controls().Command1->setEnabled(true);
        m_form->controls().Command1->click();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        QVERIFY(QFontInfo(m_form->controls().Text1->font()).bold());
        QCOMPARE(m_form->controls().Text1->grab().toImage(), before);
    }

    void dialogs()
    {
        ui::Form10* save = ui::Form10::showDialog(m_services->services);
        QVERIFY(QTest::qWaitForWindowExposed(save));
        keepScreenshot(save, QStringLiteral("save-dialog"));
        // The note's last line, "...written to disk.", is inside the label.
        QVERIFY(save->Label2->heightForWidth(save->Label2->width()) <= save->Label2->height());
        save->close();

        const QList<QPair<QWidget*, QString>> small = {{ui::Form2::showDialog(m_services->services), u"about"_qs},
                                                       {ui::Form1::showDialog(m_services->services), u"options"_qs}};
        for (const auto& [window, name] : small) {
            QVERIFY(QTest::qWaitForWindowExposed(window));
            keepScreenshot(window, name);
            QCOMPARE(cutCaptions(window), QStringList());
            window->close();
        }
    }
};

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
