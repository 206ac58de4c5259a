#pragma once

#include "nbxsetup.h"

#include <QList>

#include <memory>

class cWorkFolder;
struct DiFile;

// A device configuration kept as files in a directory, typically the root of
// a flash drive that the device reads. The files named by the description
// are edited in private copies and copied back by store().
class NBXFlashDriveSetup : public NBXSetup
{
    Q_OBJECT
public:
    explicit NBXFlashDriveSetup(const QString& directory);
    ~NBXFlashDriveSetup() override;
    bool reachesDevice() const override { return false; }

    using NBXSetup::function;

public slots:
    void load() override;
    void store() override;
    void function(QString s, QString param) override;

private:
    // The path of a new private copy of `data`; empty, reported, when it
    // could not be written.
    QString newCopy(const QString& name, const QByteArray& data = QByteArray());
    QString inDirectory(const QString& fileName) const;
    // The path of a description's file command in the drive folder, or an
    // empty string (reported) when it would lead outside the folder.
    QString fileOfDrive(const QString& command);
    bool copyIn(const DiFile& difile);
    void copyOut(const DiFile& difile);
    void writeOut(const QString& path, const QByteArray& data);

    QString m_pendingTime;
    // Every private copy lives here, and goes with it.
    // Held by pointer: the folder is no part of what a host includes.
    std::unique_ptr<cWorkFolder> m_folder;
};
