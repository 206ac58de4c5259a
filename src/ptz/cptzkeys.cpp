#include "cptzkeys.h"

#include <QKeyEvent>

QString cPTZKeys::directionOf(int key)
{
    static const struct
    {
        int key;
        const char* direction;
    } kKeys[] = {
        {Qt::Key_Up, "UP"},       {Qt::Key_Down, "DOWN"},    {Qt::Key_Left, "LEFT"},
        {Qt::Key_Right, "RIGHT"}, {Qt::Key_Plus, "ZOOM_IN"}, {Qt::Key_Minus, "ZOOM_OUT"},
    };
    for (const auto& row : kKeys) {
        if (row.key == key)
            return QLatin1String(row.direction);
    }
    return QString();
}

// The scan code names the key on the keyboard; platforms without one give
// the virtual key, and the key code is the last resort.
bool cPTZKeys::samePhysicalKey(const Held& held, const QKeyEvent& event)
{
    if (held.scanCode != 0 && event.nativeScanCode() != 0)
        return held.scanCode == event.nativeScanCode();
    if (held.virtualKey != 0 && event.nativeVirtualKey() != 0)
        return held.virtualKey == event.nativeVirtualKey();
    return held.key == event.key();
}

bool cPTZKeys::moving(const QString& direction) const
{
    for (const Held& held : m_held) {
        if (held.direction == direction)
            return true;
    }
    return false;
}

cPTZKeys::Step cPTZKeys::press(const QKeyEvent& event)
{
    Step step;
    const QString direction = directionOf(event.key());
    if (direction.isEmpty())
        return step;
    step.handled = true;
    // A held key repeats; the movement it started simply goes on.
    if (event.isAutoRepeat())
        return step;
    for (const Held& held : m_held) {
        if (samePhysicalKey(held, event))
            return step;
    }
    m_held.append(Held{event.nativeScanCode(), event.nativeVirtualKey(), event.key(), direction});
    step.started = direction;
    return step;
}

cPTZKeys::Step cPTZKeys::release(const QKeyEvent& event)
{
    Step step;
    step.handled = !directionOf(event.key()).isEmpty();
    if (event.isAutoRepeat())
        return step;
    for (int i = 0; i < m_held.size(); ++i) {
        if (!samePhysicalKey(m_held.at(i), event))
            continue;
        const QString direction = m_held.takeAt(i).direction;
        step.handled = true;
        if (!moving(direction))
            step.stopped = direction;
        break;
    }
    return step;
}

QStringList cPTZKeys::releaseAll()
{
    QStringList stopped;
    for (const Held& held : std::as_const(m_held)) {
        if (!stopped.contains(held.direction))
            stopped.append(held.direction);
    }
    m_held.clear();
    return stopped;
}
