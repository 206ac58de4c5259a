#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// The host's window while a source works without the setup dialog on
// screen: while it loads, and while it stores after OK. A window that can be
// cancelled has a Cancel button that Esc and the close button also press;
// one that cannot ignores all three.
class ProgressWindow : public QDialog
{
    Q_OBJECT
public:
    ProgressWindow(const QString& text, bool cancellable, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    // The first percentage turns the busy indicator into a bar.
    void setValue(int percent);
    // Hides the window without counting as a cancel.
    void finish();

    void reject() override;

signals:
    void cancelled();

private:
    QLabel* m_text;
    QProgressBar* m_bar;
    bool m_cancellable;
};
