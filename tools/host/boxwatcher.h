#pragma once

#include <QObject>
#include <QPointer>

class PageGrabber;
class QDialog;
class QMessageBox;

// The host's eye on the windows the plug-in pops up. Every message box's
// text goes to stderr, so errors reach logs and scripts, and a critical box
// marks the session as failed. When nobody is watching, message boxes are
// answered and the login dialog is cancelled as soon as they appear, after a
// picture of each when pictures are being taken.
class BoxWatcher : public QObject
{
    Q_OBJECT
public:
    BoxWatcher(bool answer, PageGrabber* pictures, QObject* parent = nullptr);
    ~BoxWatcher() override;

    bool errorShown() const { return m_errorShown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void messageBoxShown(QMessageBox* box);
    void loginDialogShown(QDialog* dialog);

    bool m_answer;
    QPointer<PageGrabber> m_pictures;
    bool m_errorShown = false;
};
