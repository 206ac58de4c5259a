// Steps of the control type "PTZvideoin": the invisible PTZ connection of a
// page, whose pictures and positions go to the controls its targets name.
#include "cwinmain.h"

#include "ptz/cptzcrossview.h"
#include "ptz/cptzvideoin.h"
#include "ptz/cqp2kbutton.h"

#include <QWidgetItem>

namespace {

// Cameras whose pictures a description can route to a target.
constexpr int kLastTargetCamera = 6;

} // namespace

QLayoutItem* CWinMain::newPTZvideoin(QDomElement&)
{
    auto* control = new cPTZvideoIn(setup);
    control->hide();
    connectChange(control, &cPTZvideoIn::signal_Pixmap_ready);
    // Closed by OK, Cancel or an error, the dialog leaves no camera moving.
    connect(this, &QDialog::finished, control, &cPTZvideoIn::slot_Stop_all);
    // A latch the control dropped (a key took the axis over, the dialog
    // closed) must not stay shown on its button.
    connect(control, &cPTZvideoIn::latchChanged, this,
            [this, control](const QString& direction, bool latched) {
                for (cQP2kButton* button : findChildren<cQP2kButton*>()) {
                    if (button->property(kPTZDirectionProperty).toString() == direction &&
                        taggedObject(button->property(kPTZTargetProperty).toString()) == control)
                        button->setChecked(latched);
                }
            });
    return new QWidgetItem(control);
}

void CWinMain::actPTZvideoin(QDomElement& element, QWidget* widget)
{
    auto* control = qobject_cast<cPTZvideoIn*>(widget);
    if (!control)
        return;
    const sCalibrationPoint position = control->Get_PTZ_pos();
    const int camera = control->camera();
    // Before the first position report there is nothing to show.
    const bool positionKnown = position.pan >= 0 && position.tilt >= 0;
    if (positionKnown) {
        setValue(QStringLiteral("general/PTZCalibrator/Pan/") +
                 cPTZvideoIn::hundredths(position.pan));
        setValue(QStringLiteral("general/PTZCalibrator/Tilt/") +
                 cPTZvideoIn::hundredths(position.tilt));
    }
    // A position report carries no picture (camera -1), yet the calibrator
    // needs it at once: a pin right after the camera stops must take where
    // it stopped, not where the last picture showed it.
    const bool pictureKnown = camera >= 0 && camera <= kLastTargetCamera;
    const QPixmap pixmap = control->pixmap();
    const QString positionTarget = QStringLiteral("PTZ_pos");
    for (QDomElement target = element.firstChildElement(QStringLiteral("target")); !target.isNull();
         target = target.nextSiblingElement(QStringLiteral("target"))) {
        const QString type = target.attribute(QStringLiteral("type"));
        bool isNumber = false;
        const int targetCamera = type.toInt(&isNumber);
        if (type == positionTarget && positionKnown)
            passPTZTargets(target, "slot_Set_PTZ_pos(sCalibrationPoint)",
                           Q_ARG(sCalibrationPoint, position));
        else if (pictureKnown && isNumber && targetCamera == camera)
            steerFromViews(control,
                           passPTZTargets(target, "setPixmap(QPixmap)", Q_ARG(QPixmap, pixmap)));
    }
}

// A cross view that shows the PTZ camera steers it from the keyboard.
void CWinMain::steerFromViews(cPTZvideoIn* control, const QList<QWidget*>& targets)
{
    for (QWidget* target : targets) {
        if (auto* view = qobject_cast<cPTZCrossView*>(target)) {
            connect(view, &cPTZCrossView::moveStarted, control, &cPTZvideoIn::slot_Start_PTZ,
                    Qt::UniqueConnection);
            connect(view, &cPTZCrossView::moveStopped, control, &cPTZvideoIn::slot_Stop_PTZ,
                    Qt::UniqueConnection);
        }
    }
}

// Calls `signature` on the control of every element that carries the
// target's tag; controls without that slot, or not built, are passed over.
// Returns the controls it called.
QList<QWidget*> CWinMain::passPTZTargets(const QDomElement& target, const char* signature,
                                         QGenericArgument arg)
{
    QList<QWidget*> called;
    const QByteArray method = QMetaObject::normalizedSignature(signature);
    const QByteArray name = method.left(method.indexOf('('));
    for (const QDomElement& carrier : elementsNamed(target.text())) {
        QWidget* control = widgetOf(carrier.parentNode().toElement());
        if (control && control->metaObject()->indexOfMethod(method.constData()) >= 0) {
            QMetaObject::invokeMethod(control, name.constData(), Qt::DirectConnection, arg);
            called.append(control);
        }
    }
    return called;
}
