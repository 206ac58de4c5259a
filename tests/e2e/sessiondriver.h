#pragma once

// Runs whole setup sessions as the host does, through the entry point, and
// drives the modal dialogs they open. Every host message box is answered
// and its text kept.

#include "../setup/messageboxcatcher.h"
#include "setup/entrypoints.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <functional>

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

using DialogFinder = std::function<QDialog*()>;
using DialogDriver = std::function<void(QDialog*)>;

// Calls `open`, which shows a modal dialog and returns once it has closed,
// and runs `driver` on that dialog as soon as `find` sees it. A dialog the
// driver leaves open (a failed check) is rejected, so a failure cannot hang.
template <typename Open>
auto driveModal(const DialogFinder& find, const DialogDriver& driver, Open open)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QDialog* dialog = find();
        if (!dialog)
            return;
        poll.stop();
        driver(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    return open();
}

inline QDialog* shownSetupDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* d = qobject_cast<QDialog*>(w);
        // Until its description is in place the dialog is kept off the screen.
        if (d && d->isVisible() && !d->testAttribute(Qt::WA_DontShowOnScreen) &&
            d->findChild<QTabWidget*>())
            return d;
    }
    return nullptr;
}

inline DialogFinder shownDialogTitled(const QString& title)
{
    return [title]() -> QDialog* {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<QDialog*>(w);
            if (d && d->isVisible() && d->windowTitle() == title)
                return d;
        }
        return nullptr;
    };
}

// The entry point's result; `errors` receives the text of every message box,
// each closed with `answer`.
inline int runSession(NBXSetup& setup, const DialogDriver& driver, QStringList& errors,
                      QMessageBox::StandardButton answer = QMessageBox::Ok)
{
    MessageBoxCatcher boxes;
    boxes.answer = answer;
    const int result = driveModal(shownSetupDialog, driver, [&] { return DoPanorixSetup(setup); });
    for (const MessageBoxCatcher::Shown& box : boxes.shown)
        errors.append(box.text);
    return result;
}

// The same, keeping only the text of the last message box.
inline int runSession(NBXSetup& setup, const DialogDriver& driver, QString& error)
{
    QStringList errors;
    const int result = runSession(setup, driver, errors);
    error = errors.isEmpty() ? QString() : errors.last();
    return result;
}

// The first widget of type T inside `parent` whose text is `text`.
template <typename T> T* widgetWithText(QWidget* parent, const QString& text)
{
    for (T* w : parent->findChildren<T*>()) {
        if (w->text() == text)
            return w;
    }
    return nullptr;
}

inline void showPage(QDialog* dialog, const QString& title)
{
    auto* tabs = dialog->findChild<QTabWidget*>();
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == title)
            tabs->setCurrentIndex(i);
    }
}

// Clicks the setup dialog's button `opener`, which opens a confirmation of
// the same title, and answers Yes; returns once the confirmation has closed.
inline void confirmThrough(QDialog* dialog, const QString& opener)
{
    QPushButton* open = widgetWithText<QPushButton>(dialog, opener);
    QVERIFY2(open, qPrintable(opener));
    driveModal(
        shownDialogTitled(opener),
        [](QDialog* confirm) {
            QPushButton* yes = widgetWithText<QPushButton>(confirm, QStringLiteral("Yes"));
            QVERIFY(yes);
            yes->click();
            QTRY_VERIFY(!confirm->isVisible());
        },
        [open] { open->click(); });
}

// Edits the host name, then confirms through the System page's `opener`:
// whatever follows must not store that edit.
inline void editThenConfirm(QDialog* dialog, const QString& opener)
{
    QLineEdit* host = widgetWithText<QLineEdit>(dialog, QStringLiteral("velk-nvr"));
    QVERIFY(host);
    host->setText(QStringLiteral("edited-before"));
    showPage(dialog, QStringLiteral("System"));
    confirmThrough(dialog, opener);
}
