#pragma once

#include <QList>
#include <QSet>
#include <QTreeWidget>

// The software packages installed on the device, one read-only row each:
// name, version, description and priority. Required packages are red and
// cannot be removed.
class cSoftList : public QTreeWidget
{
    Q_OBJECT
public:
    struct column
    {
        QString title;
        int width = 0;
    };
    struct package
    {
        QString name;
        QString version;
        QString description;
        QString priority;
    };

    explicit cSoftList(QWidget* parent = nullptr);

    void setupColumns(const QList<column>& columns);
    void addPackage(const package& p);
    // The package of `row`; empty fields when there is no such row.
    package getPackage(int row) const;
    int packageCount() const;
    void removePackage(int row);
    // The row of the current item, -1 when there is none.
    int selection() const;
    // Whether the package of `row` may be removed: neither required nor
    // removed already.
    bool isRemovable(int row) const;
    // The recorder was told to remove the package `name`: its row stays,
    // greyed and marked, and can no longer be chosen for removal. The mark
    // outlives a rebuild of the rows.
    void markRemoved(const QString& name);

signals:
    void valueChanged();

private:
    void showRemoved(QTreeWidgetItem* row);

    QSet<QString> m_removed;
};
