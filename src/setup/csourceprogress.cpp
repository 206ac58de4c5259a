#include "csourceprogress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

cSourceProgress::cSourceProgress(QWidget* parent)
    : QWidget(parent), m_label(new QLabel(this)), m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("sourceProgress"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_label);
    row->addWidget(m_bar, 1);
    m_bar->setRange(0, 100);
    m_bar->setMinimumWidth(120);
    hide();
}

void cSourceProgress::start(const QString& text)
{
    m_label->setText(text);
    m_bar->setValue(0);
    m_bar->show();
    show();
}

void cSourceProgress::setValue(int percent)
{
    m_bar->setValue(qBound(0, percent, 100));
}

void cSourceProgress::finish()
{
    hide();
}

void cSourceProgress::showResult(const QString& text)
{
    m_label->setText(text);
    m_bar->hide();
    show();
}

QString cSourceProgress::text() const
{
    return isVisible() ? m_label->text() : QString();
}
