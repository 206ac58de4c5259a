// The control types a description may name, each with its creation, update
// and act step. A type is found by its exact, case-sensitive name; a step
// left null does nothing for that type.
#include "cwinmain.h"

const CWinMain::ControlType* CWinMain::controlType(const QString& name)
{
    static const QHash<QString, ControlType> table = {
        {QStringLiteral("label"), {&CWinMain::newLabel, &CWinMain::updateLabel, nullptr}},
        {QStringLiteral("dropdown"),
         {&CWinMain::newDropdown, &CWinMain::updateDropdown, &CWinMain::actDropdown}},
        {QStringLiteral("edit"), {&CWinMain::newEdit, &CWinMain::updateEdit, &CWinMain::actEdit}},
        {QStringLiteral("checkbox"),
         {&CWinMain::newCheckbox, &CWinMain::updateCheckbox, &CWinMain::actCheckbox}},
        {QStringLiteral("scroll"),
         {&CWinMain::newScroll, &CWinMain::updateScroll, &CWinMain::actScroll}},
        {QStringLiteral("separator"), {&CWinMain::newSeparator, nullptr, nullptr}},
        {QStringLiteral("gridlayout"), {&CWinMain::newGridLayout, nullptr, nullptr}},
        {QStringLiteral("online"), {&CWinMain::newOnline, nullptr, nullptr}},
        {QStringLiteral("spacer"), {&CWinMain::newSpacer, nullptr, nullptr}},
        {QStringLiteral("tabwidget"),
         {&CWinMain::newTabWidget, &CWinMain::updateTabWidget, nullptr}},
        {QStringLiteral("datetime"), {&CWinMain::newDateTime, nullptr, &CWinMain::actDateTime}},
        {QStringLiteral("pushbutton"),
         {&CWinMain::newPushButton, &CWinMain::updatePushButton, &CWinMain::actPushButton}},
        {QStringLiteral("list"), {&CWinMain::newList, nullptr, nullptr}},
        {QStringLiteral("nbxpie"), {&CWinMain::newNbxPie, &CWinMain::updateNbxPie, nullptr}},
        {QStringLiteral("progressbar"),
         {&CWinMain::newProgressBar, &CWinMain::updateProgressBar, nullptr}},
        {QStringLiteral("setup"), {&CWinMain::newSetup, nullptr, nullptr}},
        {QStringLiteral("maskctrl"),
         {&CWinMain::newMaskCtrl, &CWinMain::updateMaskCtrl, &CWinMain::actMaskControl}},
        {QStringLiteral("velkschedule"),
         {&CWinMain::newVelkSchedule, &CWinMain::updateVelkSchedule, &CWinMain::actVelkSchedule}},
        {QStringLiteral("diskfitness"), {&CWinMain::newDiskFitness, nullptr, nullptr}},
        {QStringLiteral("daylightinfo"),
         {&CWinMain::newDaylightInfo, &CWinMain::updateDaylightInfo, nullptr}},
        {QStringLiteral("PTZvideoin"),
         {&CWinMain::newPTZvideoin, nullptr, &CWinMain::actPTZvideoin}},
        {QStringLiteral("PTZcrossView"), {&CWinMain::newPTZcrossView, nullptr, nullptr}},
        {QStringLiteral("PTZAlarm"),
         {&CWinMain::newPTZAlarm, &CWinMain::updatePTZAlarm, &CWinMain::actPTZAlarm}},
        {QStringLiteral("p2k_button"), {&CWinMain::newP2Kbutton, nullptr, &CWinMain::actP2Kbutton}},
        {QStringLiteral("PTZCalibrator"),
         {&CWinMain::newPTZCalibrator, &CWinMain::updatePTZCalibrator,
          &CWinMain::actPTZCalibrator}},
        {QStringLiteral("accesslist"),
         {&CWinMain::newAccessList, &CWinMain::updateAccessList, &CWinMain::actAccessList}},
        {QStringLiteral("softlist"), {&CWinMain::newSoftList, &CWinMain::updateSoftList, nullptr}},
    };
    const auto it = table.constFind(name);
    return it == table.constEnd() ? nullptr : &it.value();
}
