#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QVector>

// Records of the RSN3 live stream, passed by value from the parser to the
// demuxer. String fields keep the bytes as received, including the
// terminating 0 byte; readers stop at the first 0.

struct STREAM_T
{
    quint8 id = 0;
    quint8 type = 0;
    QByteArray format;
    QByteArray title;
    QByteArray charset;
};

struct HDR_T
{
    quint32 magic = 0;
    quint32 tableEnd = 0;
    quint32 infoSize = 0;
    QByteArray name;
    QVector<STREAM_T> streams;
    QList<QByteArray> info; // 9 entries once parsed; entry 0 stays empty
};

struct IDX_T
{
    quint32 value1 = 0;
    quint32 seconds = 0;
    quint32 value3 = 0;
    QByteArray extra;
};

struct DATA_T
{
    quint32 length = 0;
    quint8 flags = 0;
    quint8 streamId = 0;
    quint16 msec = 0;
    quint8 msecMode = 0;
    quint8 aux = 0;
    STREAM_T stream;
    QByteArray payload;
};

namespace rsn3 {
constexpr quint32 kHeaderMagic = 0xB505B5B5u;
constexpr quint32 kIndexMagic = 0xB5B5B505u;
constexpr int kInfoSlots = 9;

// Fragment position bits of DATA_T::flags.
constexpr quint8 kPositionMask = 0xC0;
constexpr quint8 kComplete = 0xC0;
constexpr quint8 kFirst = 0x80;
constexpr quint8 kMiddle = 0x00;
constexpr quint8 kLast = 0x40;

constexpr quint8 kVideo = 1;
} // namespace rsn3

Q_DECLARE_METATYPE(STREAM_T)
Q_DECLARE_METATYPE(HDR_T)
Q_DECLARE_METATYPE(IDX_T)
Q_DECLARE_METATYPE(DATA_T)
