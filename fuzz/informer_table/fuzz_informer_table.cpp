// The informer's answer as any bytes, sent in pieces over a socket pair whose
// one end the adaptor's own socket is given. The first byte holds the mode
// and the number of chunk sizes that follow: with "framed" the rest gets a
// correct length in front; "repeated" (the mode 8 to 15 only, as such a
// table takes long) makes its first 2892 bytes one record sent a few times
// or (count byte from 0xc0) about 4096 times, around the largest table the
// adaptor holds.
// The table must then be exactly the records of a well-formed answer within
// the bound, or stay as it was; update() comes only when a compared field
// changed.
//
// The event loop never runs here: its poll timer would start a round of its
// own. The socket's waitFor calls deliver readyRead and disconnected to the
// adaptor as the loop would. The program lives in a folder of its own, so no
// informer beside it can ever be started.
#include "authorization/codadaptor.h"
#include "fuzzcheck.h"

#include <QCoreApplication>
#include <QtEndian>

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kRecord = int(sizeof(cODAdaptor::host));
constexpr int kFramed = 1;
constexpr int kRepeated = 8;
constexpr int kMaxPieces = 256;

QByteArray lengthPrefix(qsizetype n)
{
    QByteArray out(4, '\0');
    qToLittleEndian(quint32(n), out.data());
    return out;
}

struct Input
{
    QByteArray answer;
    QList<int> chunks;
};

Input decode(const uint8_t* data, size_t size)
{
    Input in;
    const int mode = data[0];
    size_t at = 1;
    const size_t sizeCount = 1 + ((mode >> 1) & 3);
    for (; at < size && in.chunks.size() < int(sizeCount); ++at)
        in.chunks.append(1 + data[at] * data[at]);
    if (in.chunks.isEmpty())
        in.chunks.append(1);
    const bool repeated = (mode & ~7) == kRepeated;
    int repeats = 1;
    if (repeated && at < size) {
        const int r = data[at++];
        // Tables of megabytes take the most time of all inputs: only one
        // repeated input in four is one.
        repeats = (r & 0xc0) == 0xc0 ? cODAdaptor::kMaxRecords - 1 + (r & 3) : 2 + (r & 7);
    }
    QByteArray body(reinterpret_cast<const char*>(data + at), qsizetype(size - at));
    if (repeated)
        body = body.leftJustified(kRecord, '\0', true).repeated(repeats);
    in.answer = ((mode & kFramed) || repeated) ? lengthPrefix(body.size()) + body : body;
    return in;
}

// A table as its records back to back, as they travel.
using Table = QByteArray;

// The records of a well-formed answer within the bound; false for any other.
bool recordsOf(const QByteArray& answer, Table& records)
{
    if (answer.size() < 5)
        return false;
    const quint32 n = qFromLittleEndian<quint32>(answer.constData());
    if (qint64(n) != answer.size() - 4 || n % kRecord != 0 || n / kRecord > cODAdaptor::kMaxRecords)
        return false;
    records = answer.mid(4);
    return true;
}

QByteArrayView text(const char* record, int offset, int size)
{
    return QByteArrayView(record + offset, qsizetype(qstrnlen(record + offset, uint(size))));
}

// Equal in the fields whose change is an update: flag, address, name,
// platform and the first integer of each picture entry.
bool sameRecords(const char* a, const char* b)
{
    const int flag = int(offsetof(cODAdaptor::host, flag));
    if (a[flag] != b[flag])
        return false;
    for (const auto& [offset, size] : {std::pair<int, int>{257, 512}, {8, 32}, {56, 64}}) {
        if (text(a, offset, size) != text(b, offset, size))
            return false;
    }
    for (int p = 0; p < 4; ++p) {
        const int at = int(offsetof(cODAdaptor::host, picture)) + p * 264;
        if (std::memcmp(a + at, b + at, 4) != 0)
            return false;
    }
    return true;
}

bool sameTables(const Table& a, const Table& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype at = 0; at < a.size(); at += kRecord) {
        if (!sameRecords(a.constData() + at, b.constData() + at))
            return false;
    }
    return true;
}

Table tableOf(cODAdaptor& adaptor)
{
    Table out;
    out.reserve(qsizetype(cODAdaptor::kMaxRecords) * kRecord);
    cODAdaptor::host h;
    for (int i = 0; adaptor.enumHosts(i, h); ++i)
        out.append(reinterpret_cast<const char*>(&h), kRecord);
    return out;
}

// Sends the answer in its pieces and closes the sending end, letting the
// adaptor's socket take in what arrives after every piece.
void deliver(QTcpSocket* socket, int peer, const Input& in)
{
    // A few hundred pieces at most, so that a table of megabytes goes
    // through in a few milliseconds whatever the sizes say: every piece
    // costs a round trip through the socket.
    const qsizetype least = in.answer.size() / kMaxPieces + 1;
    qsizetype sent = 0;
    for (int n = 0; sent < in.answer.size() && socket->state() == QAbstractSocket::ConnectedState;
         ++n) {
        const qsizetype piece = qMin(qMax<qsizetype>(in.chunks.at(n % in.chunks.size()), least),
                                     in.answer.size() - sent);
        const ssize_t written =
            ::send(peer, in.answer.constData() + sent, size_t(piece), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written > 0)
            sent += written;
        socket->waitForReadyRead(1000);
    }
    ::close(peer);
    while (socket->state() != QAbstractSocket::UnconnectedState)
        socket->waitForDisconnected(1000);
}

struct Fixture
{
    int argc = 1;
    char name[16] = "fuzz_informer";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    cODAdaptor adaptor;
    QTcpSocket* socket = adaptor.findChild<QTcpSocket*>();
    Table table;
    int updates = 0;

    Fixture()
    {
        require(socket != nullptr);
        socket->abort(); // its first poll is still connecting
        QObject::connect(&adaptor, &cODAdaptor::update, [this] { ++updates; });
    }
};

Fixture& fixture()
{
    static Fixture* f = new Fixture;
    return *f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    Fixture& f = fixture();
    const Input in = decode(data, size);

    int pair[2];
    require(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) == 0);
    require(f.socket->setSocketDescriptor(pair[0]));
    const int updatesBefore = f.updates;
    deliver(f.socket, pair[1], in);

    Table expected = f.table;
    const bool wellFormed = recordsOf(in.answer, expected);
    const Table got = tableOf(f.adaptor);
    require(got == expected);
    require(f.updates - updatesBefore == (wellFormed && !sameTables(f.table, expected) ? 1 : 0));
    if (!got.isEmpty()) {
        // A name that fills its field may have been cut by the informer: the
        // adaptor ends it on a whole character with an ellipsis, and leaves
        // out the bytes of an incomplete last character.
        const QString raw = QString::fromLocal8Bit(text(got.constData(), 8, 32));
        const QString address = QString::fromLocal8Bit(text(got.constData(), 257, 512));
        const QString name = f.adaptor.lookupName(address);
        require(name == raw || name.endsWith(QChar(0x2026)) || raw.startsWith(name));
        require(f.adaptor.lookupIP(name) == address);
    }
    f.table = got;
    return 0;
}
