#pragma once

#include "controls/cmaskedimage.h"

#include <QImage>
#include <QString>

// Alarm levels painted over a camera picture: each cell of the grid is
// ignored (0), green (1), yellow (2) or red (3). A drag with the left button
// paints the current level, any other button paints "ignore". The map is
// stored as two bits a cell in hexadecimal text.
class cPTZAlarm : public cMaskedImage
{
    Q_OBJECT
public:
    enum Level
    {
        Ignore = 0,
        Green = 1,
        Yellow = 2,
        Red = 3
    };

    explicit cPTZAlarm(QWidget* parent = nullptr);

    void setImage(const QImage& image) override;
    QString value() const;
    void setValue(const QString& text);
    int level() const { return currentLevel; }

public slots:
    void slot_Alarm_level_ignore();
    void slot_Alarm_level_green();
    void slot_Alarm_level_yellow();
    void slot_Alarm_level_red();
    // "1", "2" or "3" chooses that level; anything else "ignore".
    void slot_Set_value(QString text);
    void slot_Set_point_action(QString action);

protected:
    int dragValue(Qt::MouseButtons buttons) const override;
    const QImage& cellPicture(int value) const override;

private:
    static constexpr int kBitsPerCell = 2;

    QString lastText;
    int currentLevel = Yellow;
    QImage greenPicture;
    QImage yellowPicture;
    QImage redPicture;
};
