#include "csetupwidget.h"

#include "nbxsetup.h"

cSetupWidget::cSetupWidget(NBXSetup* setup, QWidget* parent) : QWidget(parent), m_setup(setup) {}

void cSetupWidget::callSetup(QString s)
{
    QStringList parts = s.split(QLatin1Char(','));
    const QString name = parts.takeFirst();
    m_setup->function(name, parts.join(QLatin1Char(',')));
}
