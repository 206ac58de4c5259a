#pragma once

#include <QObject>
#include <QStringList>

class QDialog;

// Waits for the setup dialog to appear, saves a picture of each of its pages
// and then closes it with OK or Cancel: the headless demo's eyes.
class PageGrabber : public QObject
{
    Q_OBJECT
public:
    PageGrabber(const QString& folder, bool store, QObject* parent = nullptr);

    const QStringList& written() const { return m_written; }

private:
    void poll();
    void grabPages(QDialog* dialog);

    QString m_folder;
    bool m_store;
    bool m_done = false;
    QStringList m_written;
};
