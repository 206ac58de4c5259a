#pragma once

#include <QByteArray>
#include <QMap>
#include <QVector>

// Writes the RSN3 live stream: header, index and data records, splitting a
// payload that does not fit one block into first, middle and last fragments.
// Texts are given without their terminating 0 byte; the writer adds it.
class cRsn3Writer
{
public:
    struct Stream
    {
        quint8 id = 0;
        quint8 type = 1;
        QByteArray format;
        QByteArray title;
        QByteArray charset;
    };

    // Fragment positions as they sit in a block's flags.
    enum Position : quint8
    {
        Complete = 0xC0,
        First = 0x80,
        Middle = 0x00,
        Last = 0x40
    };

    static constexpr int kMaxBlock = 0xFFFF;

    // The streams are remembered: video blocks carry their time fields.
    QByteArray header(const QByteArray& name, const QVector<Stream>& streams,
                      const QMap<int, QByteArray>& info = {});
    static QByteArray index(quint32 seconds, quint32 value1 = 0, quint32 value3 = 0,
                            const QByteArray& extra = {});
    // One payload, in as many fragments as it needs.
    QByteArray data(quint8 streamId, const QByteArray& payload, quint16 msec = 0,
                    quint8 msecMode = 4, quint8 aux = 0, int maxBlock = kMaxBlock) const;
    // One block exactly as given.
    QByteArray block(quint8 streamId, Position position, const QByteArray& payload,
                     quint16 msec = 0, quint8 msecMode = 4, quint8 aux = 0) const;

    // A video stream on id 0: header, then an index record at every whole
    // second and one data record per frame.
    static QByteArray videoStream(const QByteArray& format, const QVector<QByteArray>& frames,
                                  int fps);

private:
    bool hasTimeFields(quint8 streamId) const;

    QVector<Stream> m_streams;
};
