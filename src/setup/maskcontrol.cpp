// Steps of the mask editor ("maskctrl"): a grid of cells over a camera
// picture, stored as one bit string under the element's key.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "controls/cmaskedimage.h"

#include <QWidgetItem>

namespace {

// An absent attribute gives the usual ten cells; a present one is read as
// it stands, so an empty or malformed one gives none.
int gridSide(const QDomElement& item, const QString& name)
{
    return item.hasAttribute(name) ? item.attribute(name).toInt() : 10;
}

} // namespace

QLayoutItem* CWinMain::newMaskCtrl(QDomElement& item)
{
    auto* mask = new cMaskedImage(controlParent);
    mask->setArray(gridSide(item, QStringLiteral("ctrlColumns")),
                   gridSide(item, QStringLiteral("ctrlRows")));
    connectChange(mask, &cMaskedImage::valueChanged);
    return new QWidgetItem(mask);
}

void CWinMain::updateMaskCtrl(QDomElement& element, QWidget* widget)
{
    auto* mask = qobject_cast<cMaskedImage*>(widget);
    const QDomElement key = element.firstChildElement(QStringLiteral("key"));
    if (mask && !key.isNull())
        mask->setValue(setup->value(key.text()));
}

void CWinMain::actMaskControl(QDomElement& element, QWidget* widget)
{
    auto* mask = qobject_cast<cMaskedImage*>(widget);
    const QDomElement key = element.firstChildElement(QStringLiteral("key"));
    if (mask && !key.isNull())
        setValue(writeKey(key.text()) + mask->value());
}
