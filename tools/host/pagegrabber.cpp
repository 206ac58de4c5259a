#include "pagegrabber.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

// Time a live page has to show its first pictures, and the time between its
// two pictures.
constexpr int kLiveWaitMs = 10000;
constexpr int kLiveIntervalMs = 2000;

// The views that time tasks fill: labels that scale their picture, and
// controls that say whether a picture has come.
QList<QWidget*> liveViews(QWidget* page)
{
    QList<QWidget*> views;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(widget);
        if ((label && label->hasScaledContents()) || widget->property("hasPicture").isValid())
            views << widget;
    }
    return views;
}

bool showsPicture(const QWidget* view)
{
    if (auto* label = qobject_cast<const QLabel*>(view))
        return !label->pixmap().isNull();
    return view->property("hasPicture").toBool();
}

// Runs the event loop until `done` holds or `ms` have passed.
void waitUntil(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(50);
    loop.exec();
}

// Asked by name: this library is linked by tools that do not load the dialog.
int errorsShown(QDialog* dialog)
{
    int count = 0;
    QMetaObject::invokeMethod(dialog, "errorsShown", Qt::DirectConnection,
                              Q_RETURN_ARG(int, count));
    return count;
}
} // namespace

PageGrabber::PageGrabber(const QString& folder, bool store, const QStringList& edits,
                         QObject* parent)
    : QObject(parent), m_folder(folder), m_store(store), m_edits(edits)
{
    QDir().mkpath(folder);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &PageGrabber::poll);
    timer->start(200);
}

void PageGrabber::saveWindow(QWidget* window, const QString& kind)
{
    const int n = ++m_windowCounts[kind];
    save(window, QStringLiteral("%1-%2.png").arg(kind).arg(n));
}

bool PageGrabber::save(QWidget* window, const QString& name)
{
    const QString path = QDir(m_folder).absoluteFilePath(name);
    if (!window->grab().save(path))
        return false;
    m_written << path;
    return true;
}

void PageGrabber::poll()
{
    if (m_done)
        return;
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
    const QPointer<QDialog> open(dialog);
    grabPages(dialog);
    if (!open)
        return;
    // Through the dialog's own slot, so the controls show the edits.
    for (const QString& assignment : qAsConst(m_edits))
        QMetaObject::invokeMethod(dialog, "setValue", Qt::DirectConnection,
                                  Q_ARG(QString, assignment));
    close(dialog);
}

void PageGrabber::close(QDialog* dialog)
{
    if (!m_store) {
        // Cancel would ask whether to discard the edits; nobody is there.
        dialog->reject();
        return;
    }
    auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("pbOK"));
    if (!ok) {
        dialog->reject();
        return;
    }
    const QPointer<QDialog> open(dialog);
    QWidget* progress = dialog->findChild<QWidget*>(QStringLiteral("sourceProgress"));
    m_storing = dialog;
    if (progress)
        progress->installEventFilter(this);
    const int errorsBefore = errorsShown(dialog);
    ok->click();
    if (!open)
        return;
    if (progress)
        progress->removeEventFilter(this);
    m_storing = nullptr;
    // A failed store leaves the dialog open with the edits: that is worth a
    // picture before leaving. A dialog whose OK does not close it is left to
    // the timeout.
    if (open->isVisible() && errorsShown(open) != errorsBefore) {
        saveWindow(open, QStringLiteral("still-open"));
        open->reject();
    }
}

bool PageGrabber::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && m_storing) {
        // The row has only just become visible: lay it out before the picture.
        if (QLayout* layout = m_storing->layout())
            layout->activate();
        saveWindow(m_storing, QStringLiteral("storing"));
    }
    return QObject::eventFilter(watched, event);
}

void PageGrabber::grabPages(QDialog* dialog)
{
    // Pictures come only to the page that is shown: each page with views
    // waits for its own.
    const QPointer<QTabWidget> tabs = dialog->findChild<QTabWidget*>();
    for (int i = 0; tabs && i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        QString title = tabs->tabText(i).toLower();
        title.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
        title.remove(QRegularExpression(QStringLiteral("^-+|-+$")));
        const QString name = title.isEmpty()
                                 ? QStringLiteral("page-%1.png").arg(i + 1)
                                 : QStringLiteral("page-%1-%2.png").arg(i + 1).arg(title);
        if (!liveViews(tabs->widget(i)).isEmpty())
            grabLivePage(dialog, tabs->widget(i), name);
        else if (save(dialog, name))
            ++m_pages;
    }
    if (tabs)
        tabs->setCurrentIndex(0);
}

// Waits until every live view under `root` shows a picture; false once the
// dialog has closed (an error), when there is nothing more to wait for.
bool PageGrabber::waitForPictures(QDialog* dialog, QWidget* root)
{
    const QPointer<QDialog> open(dialog);
    QList<QPointer<QWidget>> views;
    for (QWidget* view : liveViews(root))
        views << view;
    const auto closed = [&] { return !open || !open->isVisible(); };
    waitUntil(
        [&] {
            return closed() ||
                   std::all_of(views.begin(), views.end(),
                               [](const QPointer<QWidget>& v) { return v && showsPicture(v); });
        },
        kLiveWaitMs);
    return !closed();
}

void PageGrabber::grabLivePage(QDialog* dialog, QWidget* page, const QString& name)
{
    const QPointer<QDialog> open(dialog);
    const auto closed = [&] { return !open || !open->isVisible(); };
    if (!waitForPictures(dialog, page))
        return;
    if (save(dialog, name))
        ++m_pages;
    waitUntil(closed, kLiveIntervalMs);
    if (closed())
        return;
    QString later = name;
    later.replace(QStringLiteral(".png"), QStringLiteral("-later.png"));
    save(dialog, later);
}
