#include "modalcloser.h"

#include <QApplication>
#include <QDialog>

ModalCloser::ModalCloser()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalCloser::closeModal);
    m_timer.start(0);
}

void ModalCloser::closeModal()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else if (modal)
        modal->close();
}
