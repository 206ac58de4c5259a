#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class NBXSettings;

// One device's configuration as a set of named INI files held locally while
// the dialog is open. Every setting is addressed as file/section/name[/tail],
// where the tail is the default when reading and the new value when writing.
// Concrete sources fetch and push the files; this base completes at once.
class NBXSetup : public QObject
{
    Q_OBJECT
public:
    explicit NBXSetup(const QString& address);
    ~NBXSetup() override;

    QString address() const;
    void setAddress(const QString& address);

    void setFilePath(const QString& name, const QString& path);
    QString filePath(const QString& name);
    bool fileExists(const QString& name);
    NBXSettings* settings(const QString& name);

    QString value(const QString& key);
    void setValue(const QString& key);
    // Called with each assignment that setValue() is about to store, from
    // whatever made it (a control, a list, a calibrator); none by default.
    using WriteWatcher = std::function<void(const QString& assignment)>;
    void setWriteWatcher(WriteWatcher watcher) { m_writeWatcher = std::move(watcher); }
    // The message setValue(key) would report for this assignment, without
    // storing anything; empty when it would be stored.
    QString storeRefusal(const QString& key);
    QString defValue(const QString& key) const;
    QString path(const QString& key) const;
    QStringList regexp_values(const QString& key);

    // Compiles the state file `name` in place; `compiled` (if given) gets
    // the bytes written. False, after its message, when it could not.
    bool _compile_state(const QString& name, QByteArray* compiled = nullptr);
    void flush();
    // Writes every changed settings file; the message for the first file
    // that could not be written, or nothing. `written` (if given) gets the
    // bytes of each file written, by its name.
    QString flushSettings(QMap<QString, QByteArray>* written = nullptr);
    // Takes back what the device shows live but has not stored, when the
    // dialog closes without storing. Nothing to take back by default.
    virtual void revertLive() {}
    // An exchange with the device is running: its end is reported by
    // loadDone(), storeDone() or pseudothrow(). Sources that complete at once
    // are never busy.
    virtual bool busy() const { return false; }
    // The device as the user knows it, for messages; never a password.
    virtual QString deviceName() const { return address(); }
    // Whether the device itself can be reached for live pictures and camera
    // steering; a copy of its files cannot.
    virtual bool reachesDevice() const { return true; }
    // Tells the host that the device function `name` has been carried out.
    void reportFunctionDone(const QString& name) { emit functionDone(name); }

    // Bounds that keep a state file's directives from running away, in
    // directives, characters of text, and characters read or written (see
    // cStateCompiler): far beyond any real state file (a few hundred bytes,
    // a few directives), yet small enough that compiling stays short.
    static constexpr int kMaxStateDirectives = 1000;
    static constexpr qsizetype kMaxStateText = 1024 * 1024;
    static constexpr qsizetype kMaxStateWork = 16 * 1024 * 1024;

signals:
    void loadDone();
    void storeDone();
    void progress(int prc);
    void pseudothrow(QString s);
    // The user declined to log in after the device refused the login: the
    // exchange ended without an error, and nothing of it took place.
    void cancelled();
    // A device function the dialog called has been carried out.
    void functionDone(QString name);

public slots:
    virtual void load();
    virtual void store();
    virtual void function(QString s, QString param);
    void function(QString s);

protected:
    static QString wrongValueMessage(const QString& key);
    QString cannotStoreMessage(const QString& key, const QString& reason) const;

    // Deletes the settings objects now, while the files they write to on
    // destruction still exist; a source that removes its copies calls this
    // first so that no removed copy is created again.
    void dropSettings();
    // Deletes the settings objects without their last write: for copies that
    // are removed next, where that write would be lost work.
    void discardSettings();
    // Makes the local copy `name` on first use, for copies that are not kept
    // unless asked for; returns its path, or empty when there is no such
    // copy. None by default.
    virtual QString copyOnDemand(const QString& name)
    {
        Q_UNUSED(name);
        return QString();
    }

    // Whether `path` is a private temporary copy of this source, which is
    // rewritten in place rather than atomically: it is not the data of
    // record and goes when the source goes. None by default.
    virtual bool isPrivateCopy(const QString& path) const
    {
        Q_UNUSED(path);
        return false;
    }

    QMap<QString, QString> m_files;
    QMap<QString, NBXSettings*> m_settings;
    QString m_address;
    WriteWatcher m_writeWatcher;
};
