// The disk health bar ("diskfitness"): the health of one disk, rated once
// from the attribute table its key substitutes to, and what lowered it.
// Nothing is written back.
#include "cwinmain.h"

#include "controls/cdiskfitness.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QWidgetItem>

namespace {

const char kHealthyStyle[] =
    "QProgressBar {border: 0.5px solid white; border-radius: 2px; text-align: center;}"
    "QProgressBar::chunk { border-radius: 2px; background: #32CD32;}";
const char kFailingStyle[] =
    "QProgressBar {border: 0.5px solid white; border-radius: 2px; text-align: center;}"
    "QProgressBar::chunk { border-radius: 2px; background: #FF0000;}";

} // namespace

QLayoutItem* CWinMain::newDiskFitness(QDomElement& item)
{
    const cDiskFitness disk(substitute(item.firstChildElement(QStringLiteral("key")).text(), item));
    // The bar with the reason for its rating beside it.
    auto* control = new QWidget(controlParent);
    auto* row = new QHBoxLayout(control);
    row->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QProgressBar(control);
    bar->setFixedSize(100, 15);
    bar->setRange(item.attribute(QStringLiteral("minvalue")).toInt(),
                  item.attribute(QStringLiteral("maxvalue")).toInt());
    // A table that says nothing of the disk leaves the bar empty, without a
    // percentage, rather than showing a made-up figure.
    if (disk.isRated())
        bar->setValue(disk.fitness());
    else
        bar->reset();
    bar->setStyleSheet(QLatin1String(disk.fitness() > 25 ? kHealthyStyle : kFailingStyle));
    bar->setTextVisible(true);
    row->addWidget(bar);
    auto* reason = new QLabel(disk.reason(), control);
    reason->setObjectName(QStringLiteral("healthReason"));
    row->addWidget(reason, 1);
    return new QWidgetItem(control);
}
