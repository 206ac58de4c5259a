#include "nbxnetsetup.h"

#include "cworkfolder.h"
#include "nbxanswerparser.h"

#include "authorization/authorization.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegExp>

namespace {

const QByteArray kAccepted("LENGTH=16\r\nVELK_ANSWER=OK\r\n");
const QByteArray kRefused("LENGTH=19\r\nVELK_ANSWER=ERROR\r\n");
// A login reply longer than either answer can never become one of them.
constexpr qsizetype kMaxLoginReply = 64;
// The marker put in front of a sectionless file so the settings reader has a
// section to file its keys under; it never goes back to the device.
const QByteArray kMarkerCrLf("[ untitled ]\r\n");
const QByteArray kMarkerLf("[ untitled ]\n");

const QString kInterface = QStringLiteral("interface");
const QString kGeneral = QStringLiteral("general");

// A sentence of its own made part of ours: "Connection refused" reads
// "connection refused" after a colon. Words in capitals stay as they are.
QString asClause(QString text)
{
    if (text.size() > 1 && text.at(0).isUpper() && text.at(1).isLower())
        text[0] = text.at(0).toLower();
    return text;
}

} // namespace

NBXNetSetup::NBXNetSetup(const QString& address)
    : NBXSetup(address), m_folder(std::make_unique<cWorkFolder>())
{
    connect(&m_socket, &QTcpSocket::connected, this, &NBXNetSetup::connected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NBXNetSetup::error);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NBXNetSetup::readyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NBXNetSetup::disconnected);
    // A device may send far more than it announces, or megabytes of text:
    // Qt would otherwise take it all in at once.
    m_socket.setReadBufferSize(kReadSlice);
    m_more.setSingleShot(true);
    m_more.setInterval(0);
    connect(&m_more, &QTimer::timeout, this, &NBXNetSetup::readyRead);
    m_adjustTimer.setSingleShot(true);
    m_adjustTimer.setInterval(kAdjustMs);
    connect(&m_adjustTimer, &QTimer::timeout, this, &NBXNetSetup::bcshTimer);
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &NBXNetSetup::slot_WD);
}

NBXNetSetup::~NBXNetSetup()
{
    m_socket.disconnect(this);
    m_socket.abort();
    // The copies go with the folder: a last write of their settings, synced
    // to the disk just before the removal, would be lost work.
    discardSettings();
}

// Command list ---------------------------------------------------------------

void NBXNetSetup::commandNext()
{
    ++m_state;
}

NBXNetSetup::compcommand NBXNetSetup::commandCurrent()
{
    return m_commands.at(m_state - 4);
}

bool NBXNetSetup::commandIsDone()
{
    return m_state - 3 > commandCount();
}

int NBXNetSetup::commandCount()
{
    return int(m_commands.size());
}

// Exchange -------------------------------------------------------------------

bool NBXNetSetup::_idle()
{
    // Starting over in the middle of an exchange would replace its command
    // list under it.
    if (m_state == 0)
        return true;
    emit pseudothrow(_wrongState(QStringLiteral("_connect")));
    return false;
}

void NBXNetSetup::load()
{
    if (!_idle())
        return;
    m_buffer.clear();
    m_commands = mCommands;
    // A stored description that fails its check is fetched again instead.
    if (fileExists(kInterface))
        _overwrite_cmdlist(kInterface);
    m_operation = 1;
    m_exchange = Exchange::Load;
    _connect();
}

void NBXNetSetup::store()
{
    // Picture adjustments go out on their own; a store waits for the one
    // under way instead of being refused for it.
    if (m_exchange == Exchange::Adjust)
        _waitIdle(QDeadlineTimer(m_watchdogMs));
    if (!_idle())
        return;
    m_commands = mCommands;
    m_operation = 2;
    // With a description that fails its check nothing goes out: its list
    // cannot be trusted.
    QString refusal;
    if (!_overwrite_cmdlist(kInterface, &refusal)) {
        _fail(refusal);
        return;
    }
    // Settings first, then the state files: a cached settings object of a
    // state file must not overwrite the compiled file before it goes out.
    // Settings that did not reach their local copy would go out stale.
    // What was written goes out from memory, not read back from the copies.
    QMap<QString, QByteArray> written;
    const QString unwritten = flushSettings(&written);
    if (!unwritten.isEmpty()) {
        _fail(unwritten);
        return;
    }
    m_adjust.storing([this](const QString& key) { return value(key); });
    for (const compcommand& c : qAsConst(m_commands)) {
        if (c.handler != &NBXNetSetup::_push_statefile || c.put.isEmpty())
            continue;
        const QString name = QString::fromUtf8(c.name);
        // A state file that could not be compiled would go out half done or
        // stale: nothing goes out, and the edits stay for another try.
        if (!_compile_state(name, &written[name])) {
            _abort();
            return;
        }
    }
    m_storeFiles = _changedFiles(written);
    m_state = 0;
    m_exchange = Exchange::Store;
    _connect();
}

void NBXNetSetup::_do_command(const QByteArray& command, const QByteArray& data, bool put)
{
    _start(command, data, put, Exchange::Function);
}

void NBXNetSetup::_start(const QByteArray& command, const QByteArray& data, bool put,
                         Exchange exchange)
{
    // A second exchange must not add its request to the running one.
    if (!_idle())
        return;
    const QString tmp = QStringLiteral("tmp");
    // An outgoing payload is never compared or reverted: no original.
    const QString refusal = _keepCopy(tmp, data);
    if (!refusal.isEmpty()) {
        emit pseudothrow(refusal);
        return;
    }
    m_commands.append({command, command, tmp.toUtf8(), &NBXNetSetup::_push_file});
    m_operation = put ? 2 : 1;
    m_exchange = exchange;
    _connect();
}

void NBXNetSetup::_do_command(const QString& command, const QString& data, bool put)
{
    _do_command(command.toUtf8(), data.toUtf8(), put);
}

bool NBXNetSetup::_waitIdle(const QDeadlineTimer& deadline)
{
    while (m_state != 0 && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        // Every exchange ends with one of these, and only after it is idle
        // does control return to the loop.
        connect(this, &NBXSetup::loadDone, &loop, &QEventLoop::quit);
        connect(this, &NBXSetup::storeDone, &loop, &QEventLoop::quit);
        connect(this, &NBXSetup::pseudothrow, &loop, &QEventLoop::quit);
        connect(this, &NBXSetup::cancelled, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return m_state == 0;
}

void NBXNetSetup::_connect()
{
    if (m_state != 0) {
        emit pseudothrow(_wrongState(QStringLiteral("_connect")));
        return;
    }
    QRegExp pattern(QStringLiteral("^(.*):(.*)@(.*)$"));
    const QStringList hostPort =
        pattern.exactMatch(address()) ? pattern.cap(3).split(QLatin1Char(':')) : QStringList();
    bool portOk = true;
    const quint16 port = hostPort.size() > 1 ? hostPort.at(1).toUShort(&portOk) : kDefaultPort;
    if (hostPort.isEmpty() || !portOk || port == 0) {
        emit pseudothrow(tr("Wrong network address \"%1\"<br>Correct one is "
                            "login:password@address[:port]")
                             .arg(_shownAddress()));
        m_commands.clear();
        m_operation = 0;
        m_exchange = Exchange::None;
        return;
    }
    const QString refusal = fileExists(kGeneral) ? QString() : _keepCopy(kGeneral, QByteArray());
    if (!refusal.isEmpty()) {
        _fail(refusal);
        return;
    }
    setValue(QStringLiteral("general/network/login/") + pattern.cap(1));
    setValue(QStringLiteral("general/network/password/") + pattern.cap(2));
    setValue(QStringLiteral("general/network/url/") + pattern.cap(3));
    m_endpoint = QStringLiteral("%1:%2").arg(hostPort.at(0)).arg(port);
    m_state = 1;
    m_socket.connectToHost(hostPort.at(0), port, QIODevice::ReadWrite);
}

void NBXNetSetup::_startWatchdog()
{
    m_watchdog.start(m_watchdogMs);
}

void NBXNetSetup::connected()
{
    if (m_state != 1) {
        _fail(_wrongState(QStringLiteral("connected")));
        return;
    }
    const QByteArray login =
        QByteArray(1, '\x04') + "LOGIN=" + value(QStringLiteral("general/network/login")).toUtf8() +
        "\r\n" + "PASS=" + value(QStringLiteral("general/network/password")).toUtf8() + "\r\n";
    m_socket.write(login);
    m_state = 2;
    _startWatchdog();
}

void NBXNetSetup::readyRead()
{
    m_more.stop();
    if (_take(m_socket.read(kReadSlice)) && m_socket.bytesAvailable() > 0)
        m_more.start();
}

bool NBXNetSetup::_take(const QByteArray& incoming)
{
    if (m_state == 2) {
        // Anything else keeps us waiting for the watchdog; hold no more of it
        // than could still turn into one of the two answers.
        if (m_buffer.size() <= kMaxLoginReply)
            m_buffer += incoming.left(kMaxLoginReply + 1);
        if (m_buffer == kRefused) {
            _refused();
            return false;
        }
        if (m_buffer != kAccepted)
            return true;
        m_buffer.clear();
        m_state = 3;
        if (m_unconfirmed)
            appendAuthorizationRecord(&*m_unconfirmed);
        m_unconfirmed.reset();
    } else {
        m_buffer += incoming;
    }
    if (m_state < 3 || commandIsDone())
        return m_state != 0;
    if (!m_buffer.isEmpty() && !_isDataReady())
        return m_state != 0;
    if (m_state > 3 && m_operation == 1) {
        const compcommand current = commandCurrent();
        const QString refusal = (this->*current.handler)(QString::fromUtf8(current.name), m_buffer);
        if (!refusal.isEmpty()) {
            _fail(refusal);
            return false;
        }
    }
    m_buffer.clear();
    _transfer();
    const int count = commandCount();
    emit progress(count > 0 ? (m_state * 100 - 400) / count : 100);
    if (commandIsDone())
        m_socket.disconnectFromHost();
    return m_state != 0;
}

bool NBXNetSetup::_isDataReady()
{
    QString message;
    switch (NBXAnswerParser::parse(m_buffer, message)) {
    case NBXAnswerParser::Ready:
        return true;
    case NBXAnswerParser::Waiting:
        return false;
    case NBXAnswerParser::Failed:
        break;
    }
    _fail(message);
    return false;
}

QByteArray NBXNetSetup::_request(const compcommand& command)
{
    if (m_operation != 2)
        return command.get;
    // A store sends what it compared when it started.
    const QString name = QString::fromUtf8(command.name);
    const auto compared = m_uploads.constFind(name);
    QByteArray data = m_exchange == Exchange::Store && compared != m_uploads.cend()
                          ? *compared
                          : _uploadBytes(name);
    // A sectionless file goes back without the marker we put in front of it,
    // with the device's own LF line ends. The settings writer rewrites the
    // marker with LF alone, so that form is recognised too.
    for (const QByteArray& marker : {kMarkerCrLf, kMarkerLf}) {
        if (data.startsWith(marker)) {
            data = data.mid(marker.size()).replace("\r\n", "\n");
            break;
        }
    }
    QByteArray request = command.put;
    if (!data.isEmpty())
        request += "LENGTH=" + QByteArray::number(data.size()) + "\r\n" + data;
    return request;
}

void NBXNetSetup::_transfer()
{
    for (;;) {
        commandNext();
        if (commandIsDone())
            return;
        const compcommand current = commandCurrent();
        const QString name = QString::fromUtf8(current.name);
        const bool send = m_operation == 1
                              ? !current.get.isEmpty()
                              // Without a local copy there is nothing to send; an
                              // empty upload would wipe the device's file.
                              : !current.put.isEmpty() && _isFileChanged(name) && fileExists(name);
        if (!send)
            continue;
        m_socket.write(_request(current));
        _startWatchdog();
        return;
    }
}

void NBXNetSetup::disconnected()
{
    if (m_state != commandCount() + 4) {
        _fail(_wrongState(QStringLiteral("disconnected")));
        return;
    }
    if (m_exchange == Exchange::Adjust)
        m_adjust.delivered();
    else if (m_exchange == Exchange::Store) {
        m_adjust.stored();
        // What went out is what the device holds from now on.
        _rebaseStored();
    }
    const int operation = m_operation;
    const QString wrongOperation =
        tr("%1 in wrong operation %2").arg(QStringLiteral("disconnected")).arg(operation) +
        _context();
    // Idle, and the watchdog stopped, before anyone hears of it: whoever
    // builds the dialog on loadDone may take longer than the watchdog's
    // time, and may start the next exchange.
    m_state = 0;
    m_operation = 0;
    m_exchange = Exchange::None;
    m_commands.clear();
    m_watchdog.stop();
    m_more.stop();
    if (operation == 1)
        emit loadDone();
    else if (operation == 2)
        emit storeDone();
    else
        emit pseudothrow(wrongOperation);
}

void NBXNetSetup::_closeQuietly()
{
    disconnect(&m_socket, &QTcpSocket::disconnected, this, &NBXNetSetup::disconnected);
    disconnect(&m_socket, &QTcpSocket::errorOccurred, this, &NBXNetSetup::error);
    m_socket.abort();
    connect(&m_socket, &QTcpSocket::disconnected, this, &NBXNetSetup::disconnected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NBXNetSetup::error);
    m_watchdog.stop();
    m_more.stop();
    m_buffer.clear();
    m_state = 0;
}

void NBXNetSetup::_abort()
{
    if (m_exchange == Exchange::Adjust)
        m_adjust.lost();
    _closeQuietly();
    m_operation = 0;
    m_exchange = Exchange::None;
    m_commands.clear();
    m_unconfirmed.reset();
}

void NBXNetSetup::_fail(const QString& message)
{
    // Idle first: whoever hears the message may start the next exchange.
    _abort();
    emit pseudothrow(message);
}

void NBXNetSetup::slot_WD()
{
    _fail(tr("Device timed out"));
}

void NBXNetSetup::error(QAbstractSocket::SocketError code)
{
    // What the device sent before it closed comes first: the last answer may
    // be in it, still waiting for its turn.
    while (m_state != 0 && m_socket.bytesAvailable() > 0 && _take(m_socket.read(kReadSlice))) {
    }
    // Ended by what was read, or complete, so that the close is the end.
    if (m_state == 0 ||
        (code == QAbstractSocket::RemoteHostClosedError && m_state == commandCount() + 4))
        return;
    _fail(tr("Network error %1: %2 (%3)")
              .arg(int(code))
              .arg(asClause(m_socket.errorString()), m_endpoint));
}

QString NBXNetSetup::_context()
{
    static const char* const beforeRequests[] = {
        QT_TR_NOOP("with no exchange running"),
        QT_TR_NOOP("while connecting"),
        QT_TR_NOOP("while logging in"),
        QT_TR_NOOP("after the login"),
    };
    QString phase;
    if (m_state >= 0 && m_state < 4) {
        phase = tr(beforeRequests[m_state]);
    } else if (commandIsDone()) {
        phase = tr("after the last request");
    } else {
        const compcommand current = commandCurrent();
        const QByteArray line = m_operation == 2 ? current.put : current.get;
        phase = tr("during the request \"%1\"").arg(QString::fromLocal8Bit(line.trimmed()));
    }
    return QStringLiteral(": %1 (%2)").arg(phase, m_endpoint);
}

QString NBXNetSetup::_wrongState(const QString& operation)
{
    return tr("%1 in wrong state %2").arg(operation).arg(m_state) + _context();
}

QString NBXNetSetup::_shownAddress() const
{
    // The password runs from the login's ":" to the last "@"; an address
    // without "@" may hold it anywhere after the ":".
    const QString a = address();
    const qsizetype colon = a.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return a;
    const qsizetype at = a.lastIndexOf(QLatin1Char('@'));
    return a.left(colon + 1) + QStringLiteral("***") + (at > colon ? a.mid(at) : QString());
}

void NBXNetSetup::_refused()
{
    const Exchange refused = m_exchange;
    const QList<compcommand> commands = m_commands;
    const int operation = m_operation;
    _abort();

    authorization::authorization_t record;
    record.url = value(QStringLiteral("general/network/url")).toLocal8Bit();
    record.level = 2;
    record.login = value(QStringLiteral("general/network/login")).toLocal8Bit();
    // The host's own lookupAuthorization, where it has one, is asked; the
    // library's says in its dialog that the login was refused.
    markRefusedLogin(record);
    if (lookupAuthorization(&record, true) == 0) {
        // The user chose not to log in: no error to report.
        emit cancelled();
        return;
    }
    // A mistyped password must not be remembered: wait for the device's word.
    if (record.remember)
        m_unconfirmed = record;
    setAddress(QStringLiteral("%1:%2@%3")
                   .arg(QString::fromLocal8Bit(record.login),
                        QString::fromLocal8Bit(record.password),
                        value(QStringLiteral("general/network/url"))));
    // The refused operation is the one to repeat: starting a load in place of
    // a store would drop the edits and report a load that nobody asked for.
    if (refused == Exchange::Load) {
        load();
        return;
    }
    m_commands = commands;
    m_operation = operation;
    m_exchange = refused;
    _connect();
}
