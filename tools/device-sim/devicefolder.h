#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The files of one emulated device and the requests that reach them. The
// description's di list names the request lines of its files; the classic
// request lines of a device without that list are known as well.
class DeviceFolder
{
public:
    enum Kind
    {
        Unknown,
        Setup,         // the gzip-compressed description
        Report,        // a text report
        Fetch,         // a file goes out
        Upload,        // a file comes in
        FetchOrUpload, // one line names both; only a payload tells them apart
        Action,        // a device function, answered OK
        SoftConfig,    // changes to the installed packages
    };

    struct Route
    {
        Kind kind = Unknown;
        QString fetchFile;  // relative to the folder
        QString uploadFile; // relative to the folder
    };

    explicit DeviceFolder(const QString& path);

    QString path() const { return m_path; }
    // `line` is the request line without its CR LF.
    Route route(const QByteArray& line);
    // Reads the description again, after it changed on disk.
    void reload();

    QByteArray setupAnswer();
    QByteArray report() const;
    bool readFile(const QString& relative, QByteArray& data) const;
    bool writeFile(const QString& relative, const QByteArray& data) const;
    // Carries out a soft configuration payload: each PACKAGE_DELETE=<name>
    // line removes that package from the soft file. Empty on success, else
    // why it failed.
    QByteArray applySoftConfig(const QByteArray& payload);

    // Copies every plain file of `from` into `to`, for a scratch device.
    static bool copyFolder(const QString& from, const QString& to);
    static QByteArray gzip(const QByteArray& plain);
    static QByteArray gunzip(const QByteArray& packed);

private:
    QString inside(const QString& relative) const;
    void readRoutes();

    QString m_path;
    bool m_routesRead = false;
    QHash<QByteArray, QString> m_fetches;
    QHash<QByteArray, QString> m_uploads;
    // The file that lists the installed packages.
    QString m_softFile;
};
