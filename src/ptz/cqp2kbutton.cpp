#include "cqp2kbutton.h"

cQP2kButton::cQP2kButton(QWidget* parent) : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &cQP2kButton::slot_Clicked);
}

void cQP2kButton::slot_Uncheck()
{
    setChecked(false);
}

void cQP2kButton::slot_Check()
{
    setChecked(true);
}

void cQP2kButton::slot_Toggle_if_not_clicked()
{
    if (!clickedSinceCheck)
        toggle();
    clickedSinceCheck = false;
}

void cQP2kButton::slot_Clicked(bool)
{
    clickedSinceCheck = true;
}
