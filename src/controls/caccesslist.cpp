#include "caccesslist.h"

namespace {

const QString kMaskedPassword = QStringLiteral("********");

} // namespace

cAccessList::cAccessList(QWidget* parent) : QTreeWidget(parent)
{
    setAllColumnsShowFocus(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
}

int cAccessList::userCount() const
{
    return int(m_users.size());
}

int cAccessList::currentIdx() const
{
    QTreeWidgetItem* item = currentItem();
    return item ? indexOfTopLevelItem(item) : -1;
}

void cAccessList::updateIdx()
{
    if (m_pending >= userCount())
        m_pending = userCount() - 1;
    if (m_pending < 0)
        return;
    setCurrentItem(topLevelItem(m_pending));
    m_pending = -1;
}

void cAccessList::setLevel(int level, const QString& text)
{
    if (level < 0)
        return;
    while (m_levels.size() <= level)
        m_levels.append(QString());
    m_levels[level] = text;
}

QString cAccessList::levelName(int level) const
{
    // Levels come from the device; one without a name shows nothing.
    return level >= 0 && level < m_levels.size() ? m_levels.at(level) : QString();
}

cAccessList::user cAccessList::getUser(int i) const
{
    return i >= 0 && i < m_users.size() ? m_users.at(i) : user();
}

cAccessList::user cAccessList::getSelectedUser() const
{
    return getUser(currentIdx());
}

void cAccessList::updateSelectedUser(const user& u)
{
    const int i = currentIdx();
    if (i >= 0 && i < m_users.size()) {
        m_users[i] = u;
        // The rows are rebuilt from the settings: the edited user stays
        // current, so that the next Remove does not hit another one.
        m_pending = i;
    }
    emit valueChanged();
}

void cAccessList::clearUsers()
{
    // A rebuild keeps the row the user chose, unless one is pending already.
    if (m_pending == -1)
        m_pending = currentIdx();
    clear();
    m_users.clear();
}

void cAccessList::addUser(const QString& name, const QString& password, int level, bool notify)
{
    m_users.append(user{name, password, level});
    auto* row = new QTreeWidgetItem(this);
    row->setText(0, name);
    row->setText(1, kMaskedPassword);
    row->setText(2, levelName(level));
    if (notify) {
        emit valueChanged();
        m_pending = userCount() - 1;
    } else if (m_pending == -1) {
        m_pending = 0;
    }
}

void cAccessList::removeSelection()
{
    const int i = currentIdx();
    if (i >= 0 && i < m_users.size()) {
        m_users.removeAt(i);
        m_pending = i;
    }
    emit valueChanged();
}
