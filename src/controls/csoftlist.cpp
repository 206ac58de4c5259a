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
    return getPackage(row).priority != kRequired;
}
