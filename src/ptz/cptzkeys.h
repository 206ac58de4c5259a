#pragma once

#include <QList>
#include <QString>

class QKeyEvent;

// The steering keys held down on a view: the arrows, + and -. A key is
// remembered as the physical key that was pressed, so that its release
// stops it whatever text the release carries (Shift let go before "=" ends
// "+" as "=").
class cPTZKeys
{
public:
    struct Step
    {
        bool handled = false; // a steering key, or the release of a held one
        QString started;      // a direction that starts moving
        QString stopped;      // a direction that no held key moves any more
    };

    Step press(const QKeyEvent& event);
    Step release(const QKeyEvent& event);
    // Lets every key go, as when the view loses the focus: the directions
    // that stop, each once.
    QStringList releaseAll();

private:
    struct Held
    {
        quint32 scanCode = 0;
        quint32 virtualKey = 0;
        int key = 0;
        QString direction;
    };
    static QString directionOf(int key);
    static bool samePhysicalKey(const Held& held, const QKeyEvent& event);
    bool moving(const QString& direction) const;

    QList<Held> m_held;
};
