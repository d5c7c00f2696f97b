// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

// The style sheet lives in a static library, so its resource must be registered by hand.
static void registerSkinResource()
{
    Q_INIT_RESOURCE(skin);
}

namespace quorvel::platform {

namespace {

// A text box of the skin fills its whole rectangle (square border, solid fill), so the panel behind
// it need not be painted again each time its text changes: the size and the clock change every
// second while recording. The style sheet clears the flag whenever it polishes a widget, so it is
// set again once the box is shown and after each change of style.
class OpaqueTextBoxes final : public QObject
{
public:
    using QObject::QObject;

    void watch(QLineEdit* box)
    {
        box->installEventFilter(this);
        box->setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Polish:
        case QEvent::StyleChange:
            static_cast<QWidget*>(watched)->setAttribute(Qt::WA_OpaquePaintEvent);
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

void useClassicFontFaces()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans Narrow"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

void applySkin(QWidget* window)
{
    registerSkinResource();
    QFile sheet(QStringLiteral(":/skin/quorvel.qss"));
    if (!window || !sheet.open(QIODevice::ReadOnly))
        return;
    window->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    // A disabled option or caption stays readable on the grey panel: dimmer than black, not grey
    // on grey.
    for (auto* control : window->findChildren<QWidget*>()) {
        if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)
            || qobject_cast<QLabel*>(control)) {
            QPalette palette = control->palette();
            palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(56, 56, 72));
            palette.setColor(QPalette::Disabled, QPalette::Text, QColor(56, 56, 72));
            palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(56, 56, 72));
            palette.setColor(QPalette::Disabled, QPalette::Light, QColor(192, 192, 192));
            control->setPalette(palette);
        }
    }
    auto* boxes = new OpaqueTextBoxes(window);
    for (auto* box : window->findChildren<QLineEdit*>()) {
        if (!qobject_cast<QComboBox*>(box->parentWidget())) // a combo box's own field is the combo's to paint
            boxes->watch(box);
    }
}

} // namespace quorvel::platform
