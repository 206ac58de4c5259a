#pragma once

#include "nbxsetup.h"

#include "authorization/authorization.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <optional>
#include <vector>

class QTemporaryFile;
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

    explicit NBXNetSetup(const QString& address);
    ~NBXNetSetup() override;

    using NBXSetup::function;

    int state() const { return m_state; }
    int operation() const { return m_operation; }
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
        Function
    };
    struct FunctionRow;
    static const QList<FunctionRow> mFunctions;

    bool _idle();
    void _connect();
    void _transfer();
    QByteArray _request(const compcommand& command);
    bool _isDataReady();
    bool _isFileChanged(const QString& name);
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

    QString _push_file(const QString& name, const QByteArray& data);
    QString _push_inifile(const QString& name, const QByteArray& data);
    QString _push_statefile(const QString& name, const QByteArray& data);
    QString _push_interfacefile(const QString& name, const QByteArray& data);
    // Unpacks a fetched description into `plain` and reads its file list;
    // returns why the description is refused, empty when it is accepted.
    QString _read_description(const QByteArray& data, QTemporaryFile& plain, QList<DiFile>& files,
                              bool& hasDi);
    // The path of a new local copy of `data`; empty, with `refusal`, on failure.
    QString _newTemporary(const QByteArray& data, QString& refusal);

    // Payload builders of the device functions; false means send nothing.
    bool payloadFromKeys(const FunctionRow& row, const QString& param, QByteArray& out);
    bool payloadFromFile(const FunctionRow& row, const QString& param, QByteArray& out);
    bool payloadCurrentTime(const FunctionRow& row, const QString& param, QByteArray& out);
    void queueAdjustments(const QString& param);

    int m_state = 0;
    int m_operation = 0;
    QTcpSocket m_socket;
    std::vector<QTemporaryFile*> m_temporaries;
    QByteArray m_buffer;
    QList<compcommand> m_commands;
    QTimer m_adjustTimer;
    QStringList m_adjustKeys;
    QTimer m_watchdog;
    int m_watchdogMs = kWatchdogMs;
    Exchange m_exchange = Exchange::None;
    // Credentials the user asked to remember, kept once the device takes them.
    std::optional<authorization::authorization_t> m_unconfirmed;
};
