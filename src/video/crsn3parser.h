#pragma once

#include "video/cdatasplitter.h"
#include "video/rsn3types.h"

#include <QMap>
#include <QObject>

// Splits the RSN3 live stream, arriving in arbitrary chunks, into header,
// index and data records; fragmented data blocks are joined before they are
// passed on. Each buffered byte is looked at a bounded number of times, so
// the cost stays linear however small the chunks are.
class cRsn3Parser : public QObject
{
    Q_OBJECT
public:
    // A reassembled payload may not grow past this; it is dropped instead.
    static constexpr int kMaxPayload = 16 * 1024 * 1024;

    explicit cRsn3Parser(QObject* parent = nullptr);

    int state() const { return m_state; }

public slots:
    void append(const QByteArray& data);

signals:
    void onHDR(const HDR_T& hdr);
    void onIDX(const IDX_T& idx);
    void onDATA(const DATA_T& block);

private:
    void step();
    void _parseHDR();
    void _readStreams(HDR_T& h, int pos, int tableEnd);
    void _readInfo(HDR_T& h, int& pos, int infoEnd);
    void _parseHDRIDX();
    void _parseHDRIDXBLOCK();
    bool _completeBlock(DATA_T& block);
    STREAM_T _lookupStream(unsigned char id) const;

    HDR_T hdr;
    IDX_T idx;
    QMap<unsigned char, DATA_T> fragments;
    int m_state = 0; // 0 seek header, 1 seek index, 2 data blocks
    cDataSplitter splitter;
};
