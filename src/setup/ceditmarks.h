#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QLineEdit;
class QWidget;

// Edits whose text cannot be stored. Such an edit gets a red frame and the
// reason in its tool tip, keeps its key at the last value it could store,
// and holds the dialog's OK button disabled while it is shown and enabled.
class cEditMarks : public QObject
{
    Q_OBJECT
public:
    // Marks `edit`; `kept` is the value its key keeps meanwhile.
    void refuse(QLineEdit* edit, const QString& reason, const QString& kept);
    // Takes the mark away: the edit's text can be stored.
    void clear(QLineEdit* edit);
    bool isRefused(const QLineEdit* edit) const;
    // The value the key held when the edit was marked.
    QString keptValue(const QLineEdit* edit) const;
    // The tool tip the owner gives `widget`, with the reason of a mark kept
    // in it.
    void setToolTip(QWidget* widget, const QString& toolTip);
    // Whether a marked edit is in sight and in use, so that OK must wait.
    bool blocksStoring() const;

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Mark
    {
        QPointer<QLineEdit> edit;
        QString reason;
        QString kept;
        QString toolTip;
        QString styleSheet;
    };
    void show(const Mark& mark);
    static bool inSight(const QWidget* widget);

    QHash<const QLineEdit*, Mark> m_marks;
};
