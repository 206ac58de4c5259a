#include "csoftlist.h"

namespace {

const QString kRequired = QStringLiteral("required");

enum Column
{
    Name,
    Version,
    Description,
    Priority
};

} // namespace

cSoftList::cSoftList(QWidget* parent) : QTreeWidget(parent)
{
    setAllColumnsShowFocus(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
}

void cSoftList::setupColumns(const QList<column>& columns)
{
    setColumnCount(int(columns.size()));
    QStringList titles;
    for (const column& c : columns)
        titles << c.title;
    setHeaderLabels(titles);
    for (int i = 0; i < columns.size(); ++i)
        setColumnWidth(i, columns.at(i).width);
}

void cSoftList::addPackage(const package& p)
{
    auto* row = new QTreeWidgetItem(this);
    row->setText(Name, p.name);
    row->setText(Version, p.version);
    row->setText(Description, p.description);
    row->setText(Priority, p.priority);
    if (p.priority == kRequired) {
        for (int c : {Name, Version, Description})
            row->setForeground(c, QBrush(Qt::red));
    }
    if (m_removed.contains(p.name))
        showRemoved(row);
}

void cSoftList::markRemoved(const QString& name)
{
    m_removed.insert(name);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = topLevelItem(i);
        if (row->text(Name) == name)
            showRemoved(row);
    }
}

// A disabled row is drawn grey and cannot become current.
void cSoftList::showRemoved(QTreeWidgetItem* row)
{
    if (row == currentItem())
        setCurrentItem(nullptr);
    row->setFlags(row->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    row->setText(Description, tr("Removed from the recorder"));
    row->setToolTip(Name, tr("The recorder was told to remove this package."));
}

cSoftList::package cSoftList::getPackage(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return package();
    return package{item->text(Name), item->text(Version), item->text(Description),
                   item->text(Priority)};
}

int cSoftList::packageCount() const
{
    return topLevelItemCount();
}

void cSoftList::removePackage(int row)
{
    delete takeTopLevelItem(row);
}

int cSoftList::selection() const
{
    QTreeWidgetItem* item = currentItem();
    return item ? indexOfTopLevelItem(item) : -1;
}

bool cSoftList::isRemovable(int row) const
{
    const package p = getPackage(row);
    return p.priority != kRequired && !m_removed.contains(p.name);
}
