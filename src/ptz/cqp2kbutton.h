#pragma once

#include <QPushButton>

// Properties of a button that latches a PTZ direction: the direction and
// the tag of the PTZ control that keeps the latch.
inline constexpr char kPTZDirectionProperty[] = "ptzDirection";
inline constexpr char kPTZTargetProperty[] = "ptzTarget";

// A push button that the description can check, uncheck and toggle through
// slots, for buttons that latch a state kept elsewhere (a PTZ direction).
class cQP2kButton : public QPushButton
{
    Q_OBJECT
public:
    explicit cQP2kButton(QWidget* parent = nullptr);

public slots:
    void slot_Uncheck();
    void slot_Check();
    // Toggles unless the user clicked the button since the last call.
    void slot_Toggle_if_not_clicked();
    void slot_Clicked(bool checked);

private:
    bool clickedSinceCheck = false;
};
