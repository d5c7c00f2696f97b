#include "autostop.h"

namespace quorvel::recorder {

void Check1_Click(ui::Form8Controls& c)
{
    const int value = ui::checkValue(c.Check1);
    if (value == 2)
        return;
    const bool on = value == 1;
    c.Text5->setEnabled(on);
    c.Label8->setEnabled(on);
    c.HScroll1->setEnabled(on);
}

void Check2_Click(ui::Form8Controls& c)
{
    const int value = ui::checkValue(c.Check2);
    if (value == 2)
        return;
    const bool on = value == 1;
    c.Label10->setEnabled(on);
    c.Text6->setEnabled(on);
    c.HScroll2->setEnabled(on);
}

void HScroll1_Change(ui::Form8Controls& c)
{
    c.Text5->setText(QString::number(c.HScroll1->value()));
}

void HScroll2_Change(ui::Form8Controls& c)
{
    c.Text6->setText(QString::number(c.HScroll2->value()));
}

} // namespace quorvel::recorder
