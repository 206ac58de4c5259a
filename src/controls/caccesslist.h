#pragma once

#include <QList>
#include <QStringList>
#include <QTreeWidget>

// The device's user accounts: name, a masked password and the access level,
// one row per user. Edits change the users at once; the rows follow when the
// list is rebuilt from the settings, and the pending index says which row is
// made current then.
class cAccessList : public QTreeWidget
{
    Q_OBJECT
public:
    struct user
    {
        QString name;
        QString password;
        int level = 0;
    };

    // The level that may change users; one user always keeps it.
    static constexpr int kAdministrator = 3;

    explicit cAccessList(QWidget* parent = nullptr);

    int userCount() const;
    // The row of the current item, -1 when there is none.
    int currentIdx() const;
    // Makes the pending row current (the last one when it lies beyond the
    // users) and forgets it.
    void updateIdx();
    void setLevel(int level, const QString& text);
    // The user at `i`, or an empty user of level 0 when there is none.
    user getUser(int i) const;
    user getSelectedUser() const;
    // Replaces the current user; its row stays current when the list is
    // rebuilt.
    void updateSelectedUser(const user& u);
    // Takes every row out; the current one becomes the pending one.
    void clearUsers();
    // `notify`: the user was added by hand; tell the owner and make the new
    // row the pending one. Otherwise the first row is pending unless another
    // one already is.
    void addUser(const QString& name, const QString& password, int level, bool notify);
    // Takes the current user out; the row after it becomes pending.
    void removeSelection();

signals:
    void valueChanged();

private:
    QString levelName(int level) const;

    QStringList m_levels;
    QList<user> m_users;
    int m_pending = -1;
};
