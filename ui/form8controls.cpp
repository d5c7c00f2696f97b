#include "form8controls.h"

#include <QMenu>
#include <QTimer>

namespace quorvel::ui {

void Form8Controls::setupControls(QWidget* form)
{
    setupUi(form);
    // Where the window sits before any settings move it.
    form->move(351, 275);

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

    for (QCheckBox* box : {Check1, Check2, Check3, Check4}) {
        QObject::connect(box, &QCheckBox::stateChanged, box, [box](int state) {
            if (state != Qt::PartiallyChecked)
                box->setTristate(false);
        });
    }
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
