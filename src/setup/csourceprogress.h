#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The row beside OK and Cancel that tells what the device is doing while
// the dialog waits for it: a line of text and the exchange's progress.
class cSourceProgress : public QWidget
{
    Q_OBJECT
public:
    explicit cSourceProgress(QWidget* parent = nullptr);

    void start(const QString& text);
    void setValue(int percent);
    void finish();
    // The outcome, in words, once the dialog stays open after the exchange.
    void showResult(const QString& text);
    QString text() const;

private:
    QLabel* m_label;
    QProgressBar* m_bar;
};
