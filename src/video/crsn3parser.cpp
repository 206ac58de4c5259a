#include "video/crsn3parser.h"

namespace {

enum State
{
    SeekHeader = 0,
    SeekIndex = 1,
    DataBlocks = 2
};

// Video, audio, text and the two kinds passed on without extra fields.
bool isKnownType(quint8 type)
{
    return type != 0 && type <= 16 && (type & (type - 1)) == 0;
}

} // namespace

cRsn3Parser::cRsn3Parser(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<HDR_T>();
    qRegisterMetaType<IDX_T>();
    qRegisterMetaType<DATA_T>();
}

void cRsn3Parser::append(const QByteArray& data)
{
    splitter.append(data);
    if (!splitter.ready())
        return; // still short of the record being waited for
    try {
        while (splitter.ready()) {
            try {
                step();
            } catch (const cDataSplitter::Overlong&) {
                // Only header strings can run on; this header magic was not a header.
                splitter.drop(1);
                m_state = SeekHeader;
            }
        }
    } catch (const QString& e) {
        if (!e.isEmpty()) {
            splitter.compact();
            throw;
        }
    }
    splitter.compact();
}

void cRsn3Parser::step()
{
    switch (m_state) {
    case SeekHeader:
        _parseHDR();
        break;
    case SeekIndex:
        _parseHDRIDX();
        break;
    default:
        _parseHDRIDXBLOCK();
    }
}

void cRsn3Parser::_parseHDR()
{
    // Bytes that are not a stream are searched for a header in one pass;
    // stepping and retrying byte by byte cost an exception for each.
    const int at = splitter.find(rsn3::kHeaderMagic);
    if (at < 0) {
        splitter.drop(qMax(0, splitter.size() - 3)); // a magic may start in the last three
        (void)splitter.has(4);                       // waits, without a retry, for the next bytes
        return;
    }
    splitter.drop(at);

    HDR_T h;
    int pos = 0;
    h.magic = splitter.get_quint32(pos);
    h.tableEnd = splitter.get_quint16(pos);
    h.infoSize = splitter.get_quint16(pos);
    h.name = splitter.get_string(pos);

    // A table that ends inside the name would make the record end before
    // it began; the table then starts and ends right after the name.
    const int tableEnd = qMax(int(h.tableEnd), pos);
    const int infoEnd = tableEnd + int(h.infoSize);
    // The header is read only once table and info area are all here: read
    // piece by piece as they arrive, it would be read again from its start
    // for every piece.
    if (!splitter.has(infoEnd))
        return;

    _readStreams(h, pos, tableEnd);
    pos = tableEnd;
    _readInfo(h, pos, infoEnd);

    splitter.drop(pos);
    hdr = h;
    m_state = SeekIndex;
    emit onHDR(hdr);
}

void cRsn3Parser::_readStreams(HDR_T& h, int pos, int tableEnd)
{
    // A descriptor that does not end by tableEnd is not listed, and the
    // descriptors stop there, so nothing past the table is needed.
    STREAM_T s;
    while (tableEnd - pos >= 2) {
        s.id = splitter.get_quint8(pos);
        s.type = splitter.get_quint8(pos);
        if (!splitter.get_string(pos, tableEnd, s.format) ||
            !splitter.get_string(pos, tableEnd, s.title) ||
            !splitter.get_string(pos, tableEnd, s.charset))
            return;
        h.streams.append(s);
    }
}

void cRsn3Parser::_readInfo(HDR_T& h, int& pos, int infoEnd)
{
    h.info = QList<QByteArray>(rsn3::kInfoSlots);
    // Only the last string may run past the info area.
    while (pos < infoEnd) {
        const quint8 key = splitter.get_quint8(pos);
        if (key >= 1 && key < rsn3::kInfoSlots)
            h.info[key] = splitter.get_string(pos);
    }
}

void cRsn3Parser::_parseHDRIDX()
{
    for (;;) {
        if (!splitter.has(4))
            return;
        const quint32 magic = splitter.peek_quint32(0);
        if (magic == rsn3::kIndexMagic)
            break;
        if (magic == rsn3::kHeaderMagic) {
            m_state = SeekHeader;
            return;
        }
        splitter.drop(1);
    }

    // Index and data records are checked for completeness up front: they
    // are most of the stream and waiting for them must stay cheap.
    int pos = 16;
    if (!splitter.has(17) || !splitter.has(17 + splitter.get_quint8(pos)))
        return;

    IDX_T x;
    pos = 4;
    x.value1 = splitter.get_quint32(pos);
    x.seconds = splitter.get_quint32(pos);
    x.value3 = splitter.get_quint32(pos);
    const int n = splitter.get_quint8(pos);
    x.extra = splitter.get_block(pos, n);
    splitter.drop(pos);

    idx = x;
    m_state = DataBlocks;
    fragments.clear();
    emit onIDX(idx);
}

void cRsn3Parser::_parseHDRIDXBLOCK()
{
    if (!splitter.has(4))
        return;
    const quint32 magic = splitter.peek_quint32(0);
    if (magic == rsn3::kIndexMagic || magic == rsn3::kHeaderMagic) {
        m_state = SeekIndex;
        return;
    }

    DATA_T b;
    int pos = 0;
    b.length = splitter.get_quint16(pos);
    b.flags = splitter.get_quint8(pos);
    b.streamId = splitter.get_quint8(pos);
    b.stream = _lookupStream(b.streamId);
    if (!isKnownType(b.stream.type)) {
        m_state = SeekIndex;
        return;
    }

    const quint8 position = b.flags & rsn3::kPositionMask;
    const bool timed =
        b.stream.type == rsn3::kVideo && (position == rsn3::kComplete || position == rsn3::kFirst);
    if (!splitter.has(pos + (timed ? 4 : 0) + int(b.length)))
        return;
    if (timed) {
        b.msec = splitter.get_quint16(pos);
        b.msecMode = splitter.get_quint8(pos);
        b.aux = splitter.get_quint8(pos);
        if (b.msecMode <= 3)
            b.msec %= 3000;
    }
    b.payload = splitter.get_block(pos, int(b.length));
    splitter.drop(pos);

    if (_completeBlock(b))
        emit onDATA(b);
}

bool cRsn3Parser::_completeBlock(DATA_T& block)
{
    const quint8 position = block.flags & rsn3::kPositionMask;
    if (position == rsn3::kComplete)
        return true;
    if (position == rsn3::kFirst) {
        fragments.insert(block.streamId, block);
        return false;
    }

    const auto it = fragments.find(block.streamId);
    if (it == fragments.end())
        return false;
    if (it->payload.size() + block.payload.size() > kMaxPayload) {
        fragments.erase(it);
        return false;
    }
    if (position == rsn3::kMiddle) {
        it->payload.append(block.payload);
        return false;
    }

    QByteArray joined = std::move(it->payload);
    joined.append(block.payload);
    block.payload = std::move(joined);
    block.flags = quint8((block.flags & ~rsn3::kPositionMask) | rsn3::kComplete);
    block.length = quint32(block.payload.size());
    block.msec = it->msec;
    block.msecMode = it->msecMode;
    block.aux = it->aux;
    fragments.erase(it);
    return true;
}

STREAM_T cRsn3Parser::_lookupStream(unsigned char id) const
{
    for (const STREAM_T& s : hdr.streams) {
        if (s.id == id)
            return s;
    }
    STREAM_T none;
    none.id = id;
    return none;
}
