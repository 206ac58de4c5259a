#include "cptzalarm.h"

namespace {

constexpr int kTintAlpha = 160;

} // namespace

cPTZAlarm::cPTZAlarm(QWidget* parent) : cMaskedImage(parent) {}

void cPTZAlarm::setImage(const QImage& image)
{
    picture = image;
    // The inherited marked picture shows ignored cells.
    markedPicture = tinted(image, QColor(16, 16, 16, kTintAlpha));
    greenPicture = tinted(image, QColor(0, 96, 0, kTintAlpha));
    yellowPicture = tinted(image, QColor(96, 96, 0, kTintAlpha));
    redPicture = tinted(image, QColor(96, 0, 0, kTintAlpha));
    update();
}

QString cPTZAlarm::value() const
{
    return packedText(kBitsPerCell);
}

void cPTZAlarm::setValue(const QString& text)
{
    lastText = text;
    unpackText(text, kBitsPerCell);
    update();
}

void cPTZAlarm::slot_Alarm_level_ignore()
{
    currentLevel = Ignore;
}

void cPTZAlarm::slot_Alarm_level_green()
{
    currentLevel = Green;
}

void cPTZAlarm::slot_Alarm_level_yellow()
{
    currentLevel = Yellow;
}

void cPTZAlarm::slot_Alarm_level_red()
{
    currentLevel = Red;
}

void cPTZAlarm::slot_Set_value(QString text)
{
    const int level = text.toInt();
    currentLevel =
        text == QString::number(level) && level >= Green && level <= Red ? level : Ignore;
}

void cPTZAlarm::slot_Set_point_action(QString) {}

int cPTZAlarm::dragValue(Qt::MouseButtons buttons) const
{
    return buttons & Qt::LeftButton ? currentLevel : Ignore;
}

const QImage& cPTZAlarm::cellPicture(int value) const
{
    switch (value) {
    case Ignore:
        return markedPicture;
    case Green:
        return greenPicture;
    case Yellow:
        return yellowPicture;
    case Red:
        return redPicture;
    default:
        return picture;
    }
}
