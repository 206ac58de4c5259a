#include "ceditmarks.h"

#include <QEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QToolTip>

namespace {

const QString kRefusedFrame = QStringLiteral("QLineEdit { border: 2px solid #d01010; }");

QString withReason(const QString& toolTip, const QString& reason)
{
    return toolTip.isEmpty() ? reason : toolTip + QLatin1Char('\n') + reason;
}

} // namespace

void cEditMarks::refuse(QLineEdit* edit, const QString& reason, const QString& kept)
{
    auto it = m_marks.find(edit);
    if (it == m_marks.end()) {
        it = m_marks.insert(edit, Mark{edit, reason, kept, edit->toolTip(), edit->styleSheet()});
        connect(edit, &QObject::destroyed, this, [this, edit] {
            if (m_marks.remove(edit))
                emit changed();
        });
        // Hiding or disabling the edit changes whether it holds OK back.
        edit->installEventFilter(this);
    } else {
        it->reason = reason;
        it->kept = kept;
    }
    show(*it);
    emit changed();
}

void cEditMarks::clear(QLineEdit* edit)
{
    const auto it = m_marks.constFind(edit);
    if (it == m_marks.constEnd())
        return;
    const Mark mark = *it;
    m_marks.erase(it);
    edit->removeEventFilter(this);
    disconnect(edit, &QObject::destroyed, this, nullptr);
    edit->setStyleSheet(mark.styleSheet);
    edit->setToolTip(mark.toolTip);
    if (QToolTip::isVisible() && QToolTip::text() == mark.reason)
        QToolTip::hideText();
    emit changed();
}

bool cEditMarks::isRefused(const QLineEdit* edit) const
{
    return m_marks.contains(edit);
}

QString cEditMarks::keptValue(const QLineEdit* edit) const
{
    return m_marks.value(edit).kept;
}

void cEditMarks::setToolTip(QWidget* widget, const QString& toolTip)
{
    const auto it = m_marks.find(qobject_cast<QLineEdit*>(widget));
    if (it == m_marks.end()) {
        widget->setToolTip(toolTip);
        return;
    }
    it->toolTip = toolTip;
    show(*it);
}

bool cEditMarks::blocksStoring() const
{
    for (const Mark& mark : m_marks) {
        if (mark.edit && mark.edit->isEnabled() && inSight(mark.edit))
            return true;
    }
    return false;
}

bool cEditMarks::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::EnabledChange:
        emit changed();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void cEditMarks::show(const Mark& mark)
{
    mark.edit->setStyleSheet(kRefusedFrame);
    mark.edit->setToolTip(withReason(mark.toolTip, mark.reason));
    // The person typing sees the reason at once, without hovering.
    if (mark.edit->hasFocus())
        QToolTip::showText(mark.edit->mapToGlobal(QPoint(0, mark.edit->height())), mark.reason,
                           mark.edit);
}

// Not hidden by the description or an action, up to its window. The pages
// of a tab widget that are not current count as in sight.
bool cEditMarks::inSight(const QWidget* widget)
{
    for (const QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (w->isHidden() && !qobject_cast<const QStackedWidget*>(w->parentWidget()))
            return false;
    }
    return true;
}
