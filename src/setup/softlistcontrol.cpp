// The software package list: its creation and update steps and the removal
// command. The list writes nothing back.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "controls/csoftlist.h"
#include "setup/listcontrols.h"

#include <QWidgetItem>

namespace {

// The package the confirmation dialog names and the device function removes.
const QString kRemoveName = QStringLiteral("general/remove_package/name");

QString packageKey(const QString& prefix, const char* field, int i)
{
    return QStringLiteral("%1/PACKAGE_%2_%3").arg(prefix, QLatin1String(field), QString::number(i));
}

} // namespace

QLayoutItem* CWinMain::newSoftList(QDomElement& item)
{
    auto* list = new cSoftList(controlParent);
    list->setupColumns(listColumns(*this, item));
    connectChange(list, &cSoftList::valueChanged);
    return new QWidgetItem(list);
}

void CWinMain::updateSoftList(QDomElement& element, QWidget* widget)
{
    auto* list = qobject_cast<cSoftList*>(widget);
    const QString prefix = listPrefix(element);
    if (!list)
        return;
    list->clear();
    if (prefix.isEmpty())
        return;
    // Packages are numbered from 1.
    const int n = deviceCount(setup->value(prefix + QStringLiteral("/PACKAGES/0")));
    for (int i = 1; i <= n; ++i) {
        cSoftList::package p;
        p.priority = setup->value(packageKey(prefix, "PRIORITY", i));
        p.description = setup->value(packageKey(prefix, "DESC", i));
        p.version = setup->value(packageKey(prefix, "VER", i));
        p.name = setup->value(packageKey(prefix, "NAME", i));
        list->addPackage(p);
    }
    registerKeyForLink(prefix, element);
}

void CWinMain::softListSlot(QString command)
{
    auto* list = qobject_cast<cSoftList*>(taggedObject(QStringLiteral("softlist")));
    if (command == QLatin1String("removed")) {
        // The removal was confirmed and sent: the row must not offer it again.
        if (list)
            list->markRemoved(setup->value(kRemoveName));
        return;
    }
    if (command != QLatin1String("remove")) {
        emit pseudothrow(tr("Unknown %1 tag \"%2\"").arg(QStringLiteral("softListSlot"), command));
        return;
    }
    const int row = list ? list->selection() : -1;
    if (row < 0)
        return;
    const QString name = kRemoveName + QLatin1Char('/') + list->getPackage(row).name;
    // A name that cannot be stored would leave the one chosen before in its
    // place, and that package would be removed instead.
    if (!list->isRemovable(row) || !setup->storeRefusal(name).isEmpty()) {
        showDialog(QStringLiteral("softcantdelete"));
        return;
    }
    setValue(name);
    showDialog(QStringLiteral("softdodelete"));
}
