#include "progresswindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ProgressWindow::ProgressWindow(const QString& text, bool cancellable, QWidget* parent)
    : QDialog(parent), m_text(new QLabel(text, this)), m_bar(new QProgressBar(this)),
      m_cancellable(cancellable)
{
    setWindowTitle(QStringLiteral("Panorix Setup"));
    setMinimumWidth(360);
    m_text->setObjectName(QStringLiteral("text"));
    m_bar->setObjectName(QStringLiteral("progress"));
    // No percentage yet: a busy indicator, not a bar stuck at nought.
    m_bar->setRange(0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    if (cancellable) {
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::rejected, this, &ProgressWindow::reject);
        layout->addWidget(buttons);
    }
}

QString ProgressWindow::text() const
{
    return m_text->text();
}

void ProgressWindow::setText(const QString& text)
{
    m_text->setText(text);
}

void ProgressWindow::setValue(int percent)
{
    m_bar->setRange(0, 100);
    m_bar->setValue(qBound(0, percent, 100));
}

void ProgressWindow::finish()
{
    hide();
}

void ProgressWindow::reject()
{
    if (!m_cancellable)
        return;
    QDialog::reject();
    emit cancelled();
}
