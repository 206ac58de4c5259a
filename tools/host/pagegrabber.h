#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class QDialog;
class QWidget;

// Waits for the setup dialog to appear, saves a picture of each of its pages
// and then, after the edits it was given, closes it with OK or Cancel: the headless demo's eyes.
// Other windows of the session can be saved beside the pages.
class PageGrabber : public QObject
{
    Q_OBJECT
public:
    // `edits` ("file/section/name/value") are made before the dialog closes.
    PageGrabber(const QString& folder, bool store, const QStringList& edits = {},
                QObject* parent = nullptr);

    // Every picture saved, pages and other windows, in order.
    const QStringList& written() const { return m_written; }
    int pageCount() const { return m_pages; }
    // Saves `window` as <kind>-<n>.png.
    void saveWindow(QWidget* window, const QString& kind);

private:
    void poll();
    void grabPages(QDialog* dialog);
    bool save(QWidget* window, const QString& name);
    // A page with live views is saved once they all show a picture, and
    // again a little later, so that the two pictures show them moving.
    bool waitForPictures(QDialog* dialog, QWidget* root);
    void grabLivePage(QDialog* dialog, QWidget* page, const QString& name);
    // Closes with OK (the store's progress saved as it shows, and the dialog
    // saved again if it stays open after an error) or Cancel.
    void close(QDialog* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_folder;
    bool m_store;
    QStringList m_edits;
    QDialog* m_storing = nullptr;
    bool m_done = false;
    int m_pages = 0;
    QHash<QString, int> m_windowCounts;
    QStringList m_written;
};
