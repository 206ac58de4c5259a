#pragma once

#include <QWidget>

// The host suite's circular progress indicator: a pie filled to a percentage.
class NBXProgressPie : public QWidget
{
    Q_OBJECT
public:
    explicit NBXProgressPie(QWidget* parent = nullptr);

    // The shown value, always within 0..100.
    int progress() const { return m_progress; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // Values outside 0..100 are clamped.
    void setProgress(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_progress = 0;
};
