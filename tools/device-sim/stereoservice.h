#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QTcpServer>
#include <QTimer>
#include <QVector>

class QTcpSocket;
class StereoPairSource;

// The stereo service of the emulated device, on a port of its own: a
// client asks the image size (1000) and pairs (2000), then sends its
// verdict (3000 accepted, 4000 rejected, 5000 stopped) and, after 3000, a
// lookup table for each camera. Every integer is 32-bit little-endian. The
// service records what it receives so tests can check it.
class StereoService : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 15555;
    static constexpr qint32 kAskSize = 1000;
    static constexpr qint32 kAskPair = 2000;
    static constexpr qint32 kAccepted = 3000;
    static constexpr qint32 kRejected = 4000;
    static constexpr qint32 kStopped = 5000;

    // How the service misbehaves, for the client's error paths.
    enum class Stall
    {
        Never,
        AtSize,  // the size request is never answered
        AtPair,  // pair requests are never answered
        Trickle, // pairs come one byte every trickle interval
    };
    static constexpr int kTrickleMs = 200;

    // Serves pairs from `source` (not owned), in turn and round again.
    explicit StereoService(StereoPairSource* source, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port = kDefaultPort);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    // Answers the size request with this instead of the source's size.
    void setReportedSize(QSize size)
    {
        m_reportedSize = size;
        m_sizeReported = true;
    }
    void setStall(Stall stall) { m_stall = stall; }
    // Connections wait unaccepted (by the service; the system still
    // completes them) for as long as this is false. Only once listening.
    void setAccepting(bool accepting);
    // Every `every`-th pair shows plain grey instead of the next view (0:
    // never), as when the board is out of sight.
    void setBlankEvery(int every) { m_blankEvery = every; }
    // The connection closes once this many pairs went out (0: never), as
    // when the device goes away before the verdict.
    void setCloseAfterPairs(int pairs) { m_closeAfterPairs = pairs; }

    const QList<qint32>& commands() const { return m_commands; }
    int pairsServed() const { return m_pairsServed; }
    // 0 until a verdict came.
    qint32 verdict() const { return m_verdict; }
    const QVector<qint32>& leftTable() const { return m_tables[0]; }
    const QVector<qint32>& rightTable() const { return m_tables[1]; }
    // True once the verdict and any tables after it have all arrived.
    bool isComplete() const { return m_complete; }

signals:
    void completed();

private:
    enum class Step
    {
        Command,
        Tables,
        Done
    };

    void onNewConnection();
    void onReadyRead();
    void command(qint32 value);
    void verdictReceived(qint32 value);
    void takeTables();
    void sendPair();
    void sendInts(std::initializer_list<qint32> values);
    void trickle();
    QSize size() const;

    QTcpServer m_server;
    QByteArray m_trickle; // what is still to go, one byte at a time
    QTimer m_trickleTimer;
    QPointer<QTcpSocket> m_socket;
    StereoPairSource* m_source;
    QByteArray m_buffer;
    Step m_step = Step::Command;
    QSize m_reportedSize;
    bool m_sizeReported = false;
    Stall m_stall = Stall::Never;
    int m_blankEvery = 0;
    int m_closeAfterPairs = 0;
    QList<qint32> m_commands;
    int m_pairsServed = 0;
    int m_next = 0;
    qint32 m_verdict = 0;
    QVector<qint32> m_tables[2];
    bool m_complete = false;
};
