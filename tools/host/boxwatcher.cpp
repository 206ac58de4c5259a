#include "boxwatcher.h"

#include "pagegrabber.h"

#include "authorization/cdlg.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QTimer>

#include <cstdio>

namespace {

void report(const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(text));
    std::fflush(stderr);
}

// One line per message, so that logs and scripts can take it line by line.
QString oneLine(const QString& text)
{
    const QString plain =
        Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    return plain.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
}

// OK where the box has it, otherwise its cancelling answer: nobody agrees
// to a question on the user's behalf.
void answer(QMessageBox* box)
{
    QAbstractButton* button = box->button(QMessageBox::Ok);
    if (!button)
        button = box->escapeButton();
    if (button)
        button->click();
    else
        box->reject();
}

} // namespace

BoxWatcher::BoxWatcher(bool answer, PageGrabber* pictures, QObject* parent)
    : QObject(parent), m_answer(answer), m_pictures(pictures)
{
    qApp->installEventFilter(this);
}

BoxWatcher::~BoxWatcher()
{
    qApp->removeEventFilter(this);
}

bool BoxWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Show)
        return false;
    if (auto* box = qobject_cast<QMessageBox*>(watched))
        messageBoxShown(box);
    else if (auto* login = qobject_cast<cDlg*>(watched))
        loginDialogShown(login);
    return false;
}

void BoxWatcher::messageBoxShown(QMessageBox* box)
{
    report(oneLine(box->text()));
    if (box->icon() == QMessageBox::Critical)
        m_errorShown = true;
    if (!m_answer)
        return;
    // Once the box runs its own loop and has been laid out.
    QTimer::singleShot(0, box, [this, box] {
        if (m_pictures)
            m_pictures->saveWindow(box, QStringLiteral("message"));
        answer(box);
    });
}

void BoxWatcher::loginDialogShown(QDialog* dialog)
{
    if (!m_answer)
        return;
    report(tr("nobody to answer the login dialog; cancelled"));
    QTimer::singleShot(0, dialog, [this, dialog] {
        if (m_pictures)
            m_pictures->saveWindow(dialog, QStringLiteral("login"));
        dialog->reject();
    });
}
