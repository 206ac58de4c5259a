#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

// Answers every host message box at once and keeps its title and text.
class MessageBoxCatcher : public QObject
{
public:
    struct Shown
    {
        QString title;
        QString text;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    QList<Shown> shown;
    // The button every box is closed with, as if pressed.
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    MessageBoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &MessageBoxCatcher::poll);
        m_timer.start(5);
    }

private:
    void poll()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box && box->isVisible() && box->objectName() == QLatin1String("NBXDlgQuestion")) {
                shown.append(
                    {box->windowTitle(), box->text(), box->standardButton(box->defaultButton())});
                box->done(answer);
            }
        }
    }
    QTimer m_timer;
};
