// SPDX-License-Identifier: GPL-3.0-or-later
#include "form8controls.h"

#include <QEvent>
#include <QMenu>

#include <QTimer>
#include <iterator>
#include <utility>

namespace quorvel::ui {

void Form8Controls::setupControls(QWidget* form)
{
    setupUi(form);
    // Where the window sits before any settings move it.
    form->move(351, 275);

    // "Target Filesize MB" in its neighbour's face takes a few pixels more than the layout gives
    // it; it has them, up to its slider.
    Label8->resize(HScroll1->x() - Label8->x(), Label8->height());

    Timer1 = new QTimer(form);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    Timer2 = new QTimer(form);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(19);
    Timer3 = new QTimer(form);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer4 = new QTimer(form);
    Timer4->setObjectName(QStringLiteral("Timer4"));
    Timer4->setInterval(1000);
    Timer1->start();
    Timer2->start();

    levelMeter = new LevelMeter(Frame3);
    levelMeter->setGeometry(8, 95, 161, 5);
    levelMeter->hide();
    noSound = new NoSoundWarning(Frame3);
    noSound->setGeometry(4, 90, 169, 13);
    QFont small = noSound->font();
    small.setPointSize(7);
    noSound->setFont(small);
    meterTimer = new QTimer(form);
    meterTimer->setObjectName(QStringLiteral("meterTimer"));
    meterTimer->setInterval(50);

    // Shown only as the tray icon's popup, never as a menu bar.
    mnuTray = new QMenu(form);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    mnuTray->setTitle(QStringLiteral("mnuTray"));
    mnuTray->addAction(exit2);
    mnuTray->addSeparator()->setObjectName(QStringLiteral("sep23"));
    mnuTray->addAction(save);
    mnuTray->addSeparator()->setObjectName(QStringLiteral("sepd"));
    mnuTray->addAction(testplay);
    mnuTray->addAction(reset);
    mnuTray->addAction(rec);
    mnuTray->addAction(stop2);
    for (QAction* item : mnuTray->actions())
        item->setProperty("itemEnabled", item->isEnabled());

    setupKeyboardAndNames();

    for (QCheckBox* box : {Check1, Check2, Check3, Check4}) {
        QObject::connect(box, &QCheckBox::stateChanged, box, [box](int state) {
            if (state != Qt::PartiallyChecked)
                box->setTristate(false);
        });
    }
}

namespace {

// A button that lies wholly behind another takes no focus while the one in front is shown: Tab
// never lands on a control nobody sees.
class CoveredButton : public QObject
{
public:
    CoveredButton(QWidget* front, QWidget* behind)
        : QObject(front)
        , m_front(front)
        , m_behind(behind)
    {
        front->installEventFilter(this);
        follow();
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
            follow();
        return false;
    }

private:
    void follow()
    {
        m_behind->setFocusPolicy(m_front->isVisibleTo(m_front->parentWidget()) ? Qt::NoFocus : Qt::StrongFocus);
        if (m_behind->hasFocus() && m_behind->focusPolicy() == Qt::NoFocus)
            m_front->setFocus();
    }

    QWidget* m_front;
    QWidget* m_behind;
};

} // namespace

void Form8Controls::setupKeyboardAndNames()
{
    // Each field by the label beside it, as a screen reader should say it; the quality list by
    // what it holds (its frame only says what to do with it).
    const std::pair<QWidget*, QString> names[] = {
        {Text3, SkinLabel1->text()}, {Text4, SkinLabel2->text()},
        {Text1, SkinLabel3->text()}, {HScroll1, Label8->text()},
        {Text5, Label8->text()},     {HScroll2, Label10->text()},
        {Text6, Label10->text()},    {cbxformat, QStringLiteral("Recording Quality")},
    };
    for (const auto& [control, name] : names)
        control->setAccessibleName(name);
    // On Linux a combo box's own name is its value; the field that takes the keyboard carries the name.
    if (cbxformat->lineEdit())
        cbxformat->lineEdit()->setAccessibleName(cbxformat->accessibleName());
    SkinLabel1->setBuddy(Text3);
    SkinLabel2->setBuddy(Text4);
    SkinLabel3->setBuddy(Text1);
    Label8->setBuddy(Text5);
    Label10->setBuddy(Text6);
    // The status fields show; nobody types into them.
    for (QLineEdit* status : {Text1, Text3, Text4})
        status->setReadOnly(true);
    // Never seen, never focused.
    Text2->setFocusPolicy(Qt::NoFocus);
    // The target sliders move by keyboard as well.
    HScroll1->setFocusPolicy(Qt::StrongFocus);
    HScroll2->setFocusPolicy(Qt::StrongFocus);
    new CoveredButton(Command2, Command3);
    new CoveredButton(Command9, Command8);

    // Tab goes round in the layout's order; Qt passes over what is hidden, disabled or unfocusable.
    QWidget* const order[] = {Command4, Command3, Command2, Command5,  Command1, Command7, Text1,  Check1,
                              HScroll1, Check2,   HScroll2, cbxformat, Command8, Command9, Check3, Check4,
                              Command6, Option1,  Option2,  Command10, Text3,    Text4,    Text5,  Text6};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

int checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void setCheckValue(QCheckBox* box, int value)
{
    if (value == 2)
        box->setTristate(true);
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void setItemEnabled(QAction* item, bool enabled)
{
    item->setProperty("itemEnabled", enabled);
    item->setEnabled(enabled);
}

bool itemEnabled(const QAction* item)
{
    const QVariant explicitValue = item->property("itemEnabled");
    return explicitValue.isValid() ? explicitValue.toBool() : item->isEnabled();
}

QString text1Tag(const Form8Controls& c)
{
    return c.Text1->property("Tag").toString();
}

void setText1Tag(Form8Controls& c, const QString& tag)
{
    c.Text1->setProperty("Tag", tag);
}

} // namespace quorvel::ui
