#pragma once

#include "cpictureadjust.h"
#include "nbxsetup.h"

#include "authorization/authorization.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <optional>

class QDeadlineTimer;
class cWorkFolder;
struct DiFile;

// The configuration of a device on the network, reached with an address
// login:password@address[:port]. Every exchange is one connection: log in,
// run the command list one request at a time, disconnect.
class NBXNetSetup : public NBXSetup
{
    Q_OBJECT
public:
    // Takes a fetched file; returns why it was refused, empty when it was taken.
    using Handler = QString (NBXNetSetup::*)(const QString& name, const QByteArray& data);

    struct compcommand
    {
        QByteArray get;
        QByteArray put;
        QByteArray name;
        Handler handler;
    };

    static const QList<compcommand> mCommands;
    static constexpr quint16 kDefaultPort = 5049;
    static constexpr int kWatchdogMs = 30000;
    static constexpr int kAdjustMs = 1000;
    // How long closing without storing waits for the picture to be put back.
    static constexpr int kRevertMs = 5000;
    // Answer bytes taken in one turn of the event loop; the rest waits in
    // the socket, whose buffer holds no more than this either.
    static constexpr qint64 kReadSlice = 64 * 1024;

    explicit NBXNetSetup(const QString& address);
    ~NBXNetSetup() override;

    using NBXSetup::function;

    // Puts back the picture values the device shows but has not stored, and
    // returns once the device has them or kRevertMs have passed.
    void revertLive() override;

    bool busy() const override { return m_exchange != Exchange::None || m_state != 0; }
    QString deviceName() const override;

    int state() const { return m_state; }
    int operation() const { return m_operation; }
    // Picture adjustments are waiting for their batch to go out.
    bool adjustPending() const { return m_adjustTimer.isActive(); }
    // Only tests shorten this; devices get the full time.
    void setWatchdogInterval(int ms) { m_watchdogMs = ms; }

    virtual void commandNext();
    virtual compcommand commandCurrent();
    virtual bool commandIsDone();
    virtual int commandCount();

    void _do_command(const QByteArray& command, const QByteArray& data, bool put);
    void _do_command(const QString& command, const QString& data, bool put);

public slots:
    void load() override;
    void store() override;
    void function(QString s, QString param) override;

    void connected();
    void error(QAbstractSocket::SocketError code);
    void readyRead();
    void disconnected();
    void bcshTimer();
    void slot_WD();

private:
    // Which exchange runs, so that a refused login repeats that one.
    enum class Exchange
    {
        None,
        Load,
        Store,
        Function,
        Adjust
    };
    struct FunctionRow;
    static const QList<FunctionRow> mFunctions;

    bool _idle();
    void _start(const QByteArray& command, const QByteArray& data, bool put, Exchange exchange);
    // Runs the event loop until no exchange runs or `deadline` passes.
    bool _waitIdle(const QDeadlineTimer& deadline);
    void _connect();
    // Handles one slice of what arrived; true while the exchange goes on.
    bool _take(const QByteArray& incoming);
    void _transfer();
    QByteArray _request(const compcommand& command);
    bool _isDataReady();
    // Whether a store sends `name`: every request of other exchanges goes
    // out, a store sends only what _changedFiles() found.
    bool _isFileChanged(const QString& name);
    // The files whose content differs from what was loaded (the clock key
    // aside), and with any of them the state files compiled on the store.
    // `written` holds the bytes just written to local copies, by name.
    QStringList _changedFiles(const QMap<QString, QByteArray>& written);
    // The bytes the device gets for `name`: its local copy (or the bytes
    // just written to it, from `written`), the time file with its clock key
    // empty, since only the clock's own button sets the clock.
    QByteArray _uploadBytes(const QString& name, const QMap<QString, QByteArray>& written = {});
    // `data` as it goes out as the file `name`.
    QByteArray _uploadForm(const QString& name, const QByteArray& data);
    // The original of `name` as it would go out.
    QByteArray _originalUpload(const QString& name);
    QByteArray _clockless(const QByteArray& data);
    // After a store, the files it sent are the new "loaded" copies.
    void _rebaseStored();
    // False when the description fails its check (`refusal` says why); the
    // list is replaced only by a description that has a `di` element, and
    // stands as it is when there is no description.
    bool _overwrite_cmdlist(const QString& name, QString* refusal = nullptr);
    void _replace_cmdlist(const QList<DiFile>& files);
    // The description as messages name it: by the device it came from.
    QString _descriptionName();
    void _refused();
    // Ends the running exchange after an error, so that no second message
    // follows and a later exchange is not refused for a stale state.
    void _abort();
    // Ends the exchange, then reports why.
    void _fail(const QString& message);
    void _closeQuietly();
    void _startWatchdog();
    // Where the link stands and which device it talks to, for messages.
    QString _context();
    QString _wrongState(const QString& operation);
    // The address with its password hidden.
    QString _shownAddress() const;

    QString _push_file(const QString& name, const QByteArray& data);
    QString _push_inifile(const QString& name, const QByteArray& data);
    QString _push_statefile(const QString& name, const QByteArray& data);
    QString _push_interfacefile(const QString& name, const QByteArray& data);
    // Unpacks a fetched description into `plain` and reads its file list;
    // returns why the description is refused, empty when it is accepted.
    QString _read_description(const QByteArray& data, QByteArray& plain, QList<DiFile>& files,
                              bool& hasDi);
    // Registers a new local copy of `data` as `name`, in place of the one it
    // had; returns why it could not be written, empty when it was.
    QString _keepCopy(const QString& name, const QByteArray& data);
    // Forgets the local copy `name` and removes its file.
    void _dropCopy(const QString& name);
    QString copyOnDemand(const QString& name) override;
    bool isPrivateCopy(const QString& path) const override;

    // Payload builders of the device functions; false means send nothing.
    bool payloadFromKeys(const FunctionRow& row, const QString& param, QByteArray& out);
    bool payloadFromFile(const FunctionRow& row, const QString& param, QByteArray& out);
    bool payloadCurrentTime(const FunctionRow& row, const QString& param, QByteArray& out);
    void queueAdjustments(const QString& param);
    QString _loadedValue(const QString& key);

    int m_state = 0;
    int m_operation = 0;
    QTcpSocket m_socket;
    // Every local copy lives here, and goes with it.
    // Held by pointer: the folder is no part of what a host includes.
    std::unique_ptr<cWorkFolder> m_folder;
    // Each received file as it came, for the store's comparison and for
    // whoever reads name + ".original".
    QMap<QString, QByteArray> m_originals;
    // Each original as it would go out, once worked out.
    QMap<QString, QByteArray> m_originalUploads;
    // What the running (or last) store compared, as it goes out.
    QMap<QString, QByteArray> m_uploads;
    QByteArray m_buffer;
    QList<compcommand> m_commands;
    QTimer m_adjustTimer;
    cPictureAdjust m_adjust;
    QTimer m_watchdog;
    // Goes on reading after the event loop had a turn.
    QTimer m_more;
    int m_watchdogMs = kWatchdogMs;
    Exchange m_exchange = Exchange::None;
    // Credentials the user asked to remember, kept once the device takes them.
    std::optional<authorization::authorization_t> m_unconfirmed;
    // host:port of the last connection.
    QString m_endpoint;
    // The files the running (or last) store sends.
    QStringList m_storeFiles;
};
