#pragma once

#include "config/nbxsetup.h"
#include "setup/entrypoints.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>

#include <functional>

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs the entry point over `setup` and `driver` on the setup dialog once it
// shows; a message box, before or after, is closed and its text kept in
// `error`.
inline int runSession(NBXSetup& setup, const std::function<void(QDialog*)>& driver, QString& error)
{
    QTimer poll;
    poll.setInterval(20);
    bool driven = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            error = box->text();
            box->accept();
            return;
        }
        if (driven)
            return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<QDialog*>(w);
            if (d && d->isVisible() && d->findChild<QTabWidget*>()) {
                driven = true;
                driver(d);
                return;
            }
        }
    });
    poll.start();
    return DoPanorixSetup(setup);
}
