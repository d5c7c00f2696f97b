// SPDX-License-Identifier: GPL-3.0-or-later
#include "messageboxes.h"

#include <QMessageBox>
#include <QPointer>

namespace quorvel::platform {

namespace {

class SystemMessageBoxes final : public MessageBoxes
{
public:
    int show(QWidget* owner, const QString& text, int style, const QString& title) override
    {
        // On the heap and watched: the owner may go while the box waits (Exit from the tray menu),
        // and takes its child box with it.
        QPointer<QMessageBox> message = new QMessageBox(owner);
        message->setWindowTitle(title);
        message->setText(text);
        // A message can be selected and copied, to quote it or look it up.
        message->setTextInteractionFlags(Qt::TextSelectableByMouse);
        const int icon = style & 0x70;
        message->setIcon(icon == 16       ? QMessageBox::Critical
                             : icon == 48 ? QMessageBox::Warning
                             : icon == 64 ? QMessageBox::Information
                                          : QMessageBox::NoIcon);
        int answer = box::answerOk;
        if ((style & 0x7) == 4) {
            message->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            message->setDefaultButton(QMessageBox::Yes);
            message->setEscapeButton(QMessageBox::No);
            answer = message->exec() == QMessageBox::Yes ? box::answerYes : box::answerNo;
        } else {
            message->setStandardButtons(QMessageBox::Ok);
            message->exec();
        }
        delete message.data();
        return answer;
    }
};

} // namespace

MessageBoxes& systemMessageBoxes()
{
    static SystemMessageBoxes instance;
    return instance;
}

} // namespace quorvel::platform
