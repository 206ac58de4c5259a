// The "PTZCalibrator" control: a cPTZCalibrator over a fixed camera's
// picture, its points kept under the prefix named by its Camera_section.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "ptz/cptzcalibrator.h"

#include <QWidgetItem>

namespace {

const QString kCameraSection = QStringLiteral("Camera_section");

// 32 where the description gives no size or 0.
int sideOf(const QDomElement& element, const QString& attribute)
{
    const int side = element.attribute(attribute).toInt();
    return side != 0 ? side : 32;
}

} // namespace

QLayoutItem* CWinMain::newPTZCalibrator(QDomElement& item)
{
    auto* calibrator = new cPTZCalibrator(controlParent);
    calibrator->setFixedSize(sideOf(item, QStringLiteral("width")),
                             sideOf(item, QStringLiteral("height")));
    calibrator->setFrameStyle(QFrame::StyledPanel);
    calibrator->setScaledContents(true);
    calibrator->camera = item.attribute(QStringLiteral("camera")).toInt();
    connectChange(calibrator, &cPTZCalibrator::signal_Point_calibrated);
    connectChange(calibrator, &cPTZCalibrator::signal_Goto_point_selected);
    return new QWidgetItem(calibrator);
}

void CWinMain::updatePTZCalibrator(QDomElement& element, QWidget* widget)
{
    auto* calibrator = qobject_cast<cPTZCalibrator*>(widget);
    const QDomElement section = element.firstChildElement(kCameraSection);
    if (calibrator && !section.isNull())
        calibrator->Load_points(*setup, section.text());
    setup->setValue(QStringLiteral("general/PTZCalibrator/Update/0"));
}

void CWinMain::actPTZCalibrator(QDomElement& element, QWidget* widget)
{
    auto* calibrator = qobject_cast<cPTZCalibrator*>(widget);
    if (!calibrator)
        return;
    sCalibrationPoint request;
    if (calibrator->Get_right_click_point(&request))
        sendPTZGoto(element, request);
    // Built, it holds what it has just read: writing that back could only
    // change its form.
    const QDomElement section = element.firstChildElement(kCameraSection);
    if (!section.isNull() && !building)
        calibrator->Store_points(*setup, section.text());
}

// Every control tagged by a "PTZ_goto" target turns its camera there.
void CWinMain::sendPTZGoto(const QDomElement& element, const sCalibrationPoint& request)
{
    const QString target = QStringLiteral("target");
    for (QDomElement t = element.firstChildElement(target); !t.isNull();
         t = t.nextSiblingElement(target)) {
        if (t.attribute(QStringLiteral("type")) != QLatin1String("PTZ_goto"))
            continue;
        for (const QDomElement& node : elementsNamed(t.text())) {
            if (QWidget* control = widgetOf(node.parentNode().toElement()))
                QMetaObject::invokeMethod(control, "slot_PTZ_goto", Qt::DirectConnection,
                                          Q_ARG(sCalibrationPoint, request));
        }
    }
}
