#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Answers every host message box at once and keeps its title and text.
class MessageBoxCatcher : public QObject
{
public:
    struct Shown
    {
        QString title;
        QString text;
    };
    QList<Shown> shown;

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
                shown.append({box->windowTitle(), box->text()});
                box->done(QMessageBox::Ok);
            }
        }
    }
    QTimer m_timer;
};
