#include "messageboxes.h"

#include <QMessageBox>

namespace quorvel::platform {

namespace {

class SystemMessageBoxes final : public MessageBoxes
{
public:
    int show(QWidget* owner, const QString& text, int style, const QString& title) override
    {
        QMessageBox message(owner);
        message.setWindowTitle(title);
        message.setText(text);
        const int icon = style & 0x70;
        message.setIcon(icon == 16       ? QMessageBox::Critical
                            : icon == 48 ? QMessageBox::Warning
                            : icon == 64 ? QMessageBox::Information
                                         : QMessageBox::NoIcon);
        if ((style & 0x7) == 4) {
            message.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            message.setDefaultButton(QMessageBox::Yes);
            message.setEscapeButton(QMessageBox::No);
            return message.exec() == QMessageBox::Yes ? box::answerYes : box::answerNo;
        }
        message.setStandardButtons(QMessageBox::Ok);
        message.exec();
        return box::answerOk;
    }
};

} // namespace

MessageBoxes& systemMessageBoxes()
{
    static SystemMessageBoxes instance;
    return instance;
}

} // namespace quorvel::platform
