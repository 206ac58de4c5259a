// The user access list: its creation, update and act steps, and the
// commands of its edit dialog.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "controls/caccesslist.h"
#include "host/nbxdlgquestion.h"
#include "setup/listcontrols.h"
#include "util/cmd5hash.h"

#include <QDialog>
#include <QLineEdit>
#include <QWidgetItem>

namespace {

const QString kListTag = QStringLiteral("accesslist");
const QString kEditDialogTag = QStringLiteral("accessdlg");
// Scratch values of the edit dialog.
const QString kName = QStringLiteral("general/access/name");
const QString kPass1 = QStringLiteral("general/access/pass1");
const QString kPass2 = QStringLiteral("general/access/pass2");
const QString kLevel = QStringLiteral("general/access/level");
const QString kEditing = QStringLiteral("general/access/edit");
// The login this dialog is connected with.
const QString kLogin = QStringLiteral("general/network/login");

QString userKey(const QString& prefix, const char* field, int i)
{
    return QStringLiteral("%1/%2%3").arg(prefix, QLatin1String(field), QString::number(i));
}

QString assignment(const QString& key, const QString& value)
{
    return key + QLatin1Char('/') + value;
}

struct Administrators
{
    int count = 0;
    int last = -1;
};

Administrators administratorsOf(const cAccessList& list)
{
    Administrators a;
    for (int i = 0; i < list.userCount(); ++i) {
        if (list.getUser(i).level == cAccessList::kAdministrator) {
            ++a.count;
            a.last = i;
        }
    }
    return a;
}

// Removing a user cannot be taken back from the list; No is what Enter
// answers. The login this dialog works with gets a warning of its own: once
// stored, the recorder refuses it, here and wherever else it is used.
bool confirmRemoval(QWidget* parent, const QString& name, const QString& login)
{
    const bool inUse = name == login;
    const QString text =
        inUse ? CWinMain::tr("You are connected to the recorder as \"%1\". Once the settings are "
                             "stored, the recorder refuses this login, for this dialog and for "
                             "every program that uses it.\n\nRemove the user \"%1\" anyway?")
                    .arg(name)
              : CWinMain::tr("Remove the user \"%1\"?").arg(name);
    return NBXDlgQuestion::Do(parent, inUse ? QMessageBox::Warning : QMessageBox::Question,
                              CWinMain::tr("Remove user"), text,
                              QDialogButtonBox::Yes | QDialogButtonBox::No,
                              QDialogButtonBox::No) == QMessageBox::Yes;
}

} // namespace

QLayoutItem* CWinMain::newAccessList(QDomElement& item)
{
    auto* list = new cAccessList(controlParent);
    const QList<cSoftList::column> columns = listColumns(*this, item);
    list->setColumnCount(int(columns.size()));
    QStringList labels;
    for (const cSoftList::column& c : columns)
        labels << c.title;
    list->setHeaderLabels(labels);
    for (int i = 0; i < columns.size(); ++i)
        list->setColumnWidth(i, columns.at(i).width);
    connectChange(list, &cAccessList::valueChanged);
    return new QWidgetItem(list);
}

void CWinMain::updateAccessList(QDomElement& element, QWidget* widget)
{
    auto* list = qobject_cast<cAccessList*>(widget);
    const QString prefix = listPrefix(element);
    if (!list || prefix.isEmpty())
        return;
    registerKeyForLink(prefix + QStringLiteral("/CNT"), element);
    const QDomNodeList levels = element.elementsByTagName(QStringLiteral("accesslevel"));
    for (int k = 0; k < levels.size(); ++k)
        list->setLevel(k + 1, substitute(levels.item(k).toElement().text(), element));

    list->clearUsers();
    const int n = deviceCount(setup->value(prefix + QStringLiteral("/CNT")));
    for (int i = 0; i < n; ++i) {
        const int level = setup->value(userKey(prefix, "LEVEL", i)).toInt();
        const QString password = setup->value(userKey(prefix, "PASSWD", i));
        const QString name = setup->value(userKey(prefix, "NAME", i));
        list->addUser(name, password, level, false);
    }
    registerKeyForLink(prefix, element);
    list->updateIdx();
}

void CWinMain::actAccessList(QDomElement& element, QWidget* widget)
{
    auto* list = qobject_cast<cAccessList*>(widget);
    const QString prefix = listPrefix(element);
    if (!list || prefix.isEmpty())
        return;
    // Into the source only: refreshing the list between these writes would
    // rebuild it from a half-written section. The act step refreshes it once
    // they are all done.
    const int n = list->userCount();
    setup->setValue(assignment(prefix + QStringLiteral("/CNT"), QString::number(n)));
    for (int i = 0; i < n; ++i) {
        const cAccessList::user u = list->getUser(i);
        setup->setValue(assignment(userKey(prefix, "NAME", i), u.name));
        setup->setValue(assignment(userKey(prefix, "PASSWD", i), u.password));
        setup->setValue(assignment(userKey(prefix, "LEVEL", i), QString::number(u.level)));
    }
}

void CWinMain::accessListSlot(QString command)
{
    using Command = void (CWinMain::*)(cAccessList&);
    static const QHash<QString, Command> commands = {
        {QStringLiteral("edit"), &CWinMain::accessEdit},
        {QStringLiteral("new"), &CWinMain::accessNew},
        {QStringLiteral("newok"), &CWinMain::accessNewOk},
        {QStringLiteral("remove"), &CWinMain::accessRemove},
    };
    const auto it = commands.constFind(command);
    if (it == commands.constEnd()) {
        emit pseudothrow(
            tr("Unknown %1 tag \"%2\"").arg(QStringLiteral("accessListSlot"), command));
        return;
    }
    if (auto* list = qobject_cast<cAccessList*>(taggedObject(kListTag)))
        (this->*it.value())(*list);
}

void CWinMain::accessEdit(cAccessList& list)
{
    if (list.currentIdx() < 0)
        return;
    const cAccessList::user u = list.getSelectedUser();
    setValue(assignment(kName, u.name));
    setValue(assignment(kPass1, QString()));
    setValue(assignment(kPass2, QString()));
    setValue(assignment(kLevel, QString::number(u.level)));
    setValue(assignment(kEditing, QStringLiteral("1")));
}

void CWinMain::accessNew(cAccessList&)
{
    setValue(assignment(kName, QString()));
    setValue(assignment(kPass1, QString()));
    setValue(assignment(kPass2, QString()));
    setValue(assignment(kLevel, QStringLiteral("1")));
    setValue(assignment(kEditing, QStringLiteral("0")));
}

void CWinMain::accessNewOk(cAccessList& list)
{
    const QString error = accessEntryError(list);
    if (!error.isEmpty()) {
        showDialog(error);
        return;
    }
    if (auto* editor = qobject_cast<QDialog*>(taggedObject(kEditDialogTag)))
        editor->accept();
    const QString name = setup->value(kName);
    const QString pass1 = setup->value(kPass1);
    const int level = setup->value(kLevel).toInt();
    const bool editing = setup->value(kEditing).toInt() != 0;
    // The edit dialog starts with empty password fields: leaving them empty
    // keeps the password the user has instead of wiping it.
    const bool keepPassword = editing && pass1.isEmpty() && setup->value(kPass2).isEmpty();
    const QString password = keepPassword       ? list.getSelectedUser().password
                             : clearPasswords() ? pass1
                                                : CMD5Hash::DoHash(pass1);
    if (editing)
        list.updateSelectedUser({name, password, level});
    else
        list.addUser(name, password, level, true);
    QDomElement element = taggedElement(kListTag);
    updateControl(element);
}

// The message dialog for the first check the edit dialog's entries fail, in
// the order the user should correct them; empty when they pass.
QString CWinMain::accessEntryError(const cAccessList& list)
{
    const QString name = setup->value(kName);
    const QString pass1 = setup->value(kPass1);
    const bool editing = setup->value(kEditing).toInt() != 0;
    bool taken = false;
    for (int i = 0; i < list.userCount(); ++i)
        taken = taken || list.getUser(i).name == name;
    const Administrators admins = administratorsOf(list);
    const bool demotesLastAdministrator =
        editing && admins.count == 1 && admins.last == list.currentIdx() &&
        setup->value(kLevel).toInt() != cAccessList::kAdministrator;

    // A text that could not be stored would leave an older one in its place,
    // so every other check would look at what the user no longer sees.
    const int row = editing ? list.currentIdx() : list.userCount();
    const QString prefix = listPrefix(taggedElement(kListTag));
    const auto unstorable = [&](const char* field, const QString& value) {
        return !prefix.isEmpty() &&
               !setup->storeRefusal(assignment(userKey(prefix, field, row), value)).isEmpty();
    };
    const bool badName = shownTextRefused(kName) || unstorable("NAME", name);
    const bool badPassword = shownTextRefused(kPass1) || shownTextRefused(kPass2) ||
                             (clearPasswords() && unstorable("PASSWD", pass1));

    const struct
    {
        bool fails;
        const char* dialog;
    } checks[] = {
        {badName, "accessdlgerr_name"},
        {badPassword, "accessdlgerr_pass"},
        {!editing && taken, "accessdlgerr_namedouble"},
        {demotesLastAdministrator, "accessdlgerr_editrights"},
        {name.isEmpty(), "accessdlgerr_name"},
        {setup->value(kPass2) != pass1, "accessdlgerr_pass"},
    };
    for (const auto& check : checks) {
        if (check.fails)
            return QLatin1String(check.dialog);
    }
    return QString();
}

void CWinMain::accessRemove(cAccessList& list)
{
    if (list.currentIdx() < 0)
        return;
    const Administrators admins = administratorsOf(list);
    if (list.userCount() == 1)
        showDialog(QStringLiteral("accessdlgerr_lastuser"));
    else if (admins.count == 1 && admins.last == list.currentIdx())
        showDialog(QStringLiteral("accessdlgerr_editrights"));
    else if (confirmRemoval(this, list.getSelectedUser().name, setup->value(kLogin)))
        list.removeSelection();
}

bool CWinMain::clearPasswords()
{
    return taggedElement(kListTag).attribute(QStringLiteral("clearpassword")) ==
           QLatin1String("true");
}

// Whether an edit bound to `key` shows a text that could not be stored: the
// key then still holds an older text than the one on the screen.
bool CWinMain::shownTextRefused(const QString& key)
{
    const QList<QString> tags = links.values(setup->path(key));
    for (const QString& tag : tags) {
        auto* edit = qobject_cast<QLineEdit*>(widgetOf(linkedElement(tag)));
        if (edit && editMarks.isRefused(edit))
            return true;
    }
    return false;
}
