#include "pagegrabber.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

PageGrabber::PageGrabber(const QString& folder, bool store, QObject* parent)
    : QObject(parent), m_folder(folder), m_store(store)
{
    QDir().mkpath(folder);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &PageGrabber::poll);
    timer->start(200);
}

void PageGrabber::poll()
{
    if (m_done)
        return;
    // An error message box has nobody to read it: say what it says and close
    // it, which ends the session.
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        std::fprintf(stderr, "panorix-setup: %s\n", qPrintable(box->text()));
        box->accept();
        return;
    }
    // The setup dialog is the visible top-level dialog that holds the pages.
    QDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* d = qobject_cast<QDialog*>(w);
        if (d && d->isVisible() && d->findChild<QTabWidget*>())
            dialog = d;
    }
    if (!dialog)
        return;
    m_done = true;
    grabPages(dialog);
    const QString button = m_store ? QStringLiteral("pbOK") : QStringLiteral("pbCancel");
    if (auto* pb = dialog->findChild<QPushButton*>(button))
        pb->click();
    else
        dialog->reject();
}

void PageGrabber::grabPages(QDialog* dialog)
{
    QTabWidget* tabs = dialog->findChild<QTabWidget*>();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        QString title = tabs->tabText(i).toLower();
        title.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
        title.remove(QRegularExpression(QStringLiteral("^-+|-+$")));
        const QString name = title.isEmpty()
                                 ? QStringLiteral("page-%1.png").arg(i + 1)
                                 : QStringLiteral("page-%1-%2.png").arg(i + 1).arg(title);
        const QString path = QDir(m_folder).absoluteFilePath(name);
        if (dialog->grab().save(path))
            m_written << path;
    }
    tabs->setCurrentIndex(0);
}
