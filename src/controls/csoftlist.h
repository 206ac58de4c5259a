#pragma once

#include <QList>
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
    bool isRemovable(int row) const;

signals:
    void valueChanged();
};
