#pragma once

#include "video/rsn3types.h"

#include <QMap>
#include <QObject>

// Routes the records of the RSN3 stream to target objects, calling their
// `create` and `append` by name: payload to the target of its stream id,
// stream descriptions, header texts and times to reserved keys. Targets are
// not owned.
class cRsn3Demuxer : public QObject
{
    Q_OBJECT
public:
    static constexpr unsigned int kHeaderTextKey = 998;
    static constexpr unsigned int kTimeKey = 999;
    static constexpr unsigned int kTitleKeyBase = 1000;

    explicit cRsn3Demuxer(QObject* parent = nullptr);

    // Decoder name for a stream's format text and encoding for its charset.
    static QString codecName(const QByteArray& format);
    static QString textEncoding(const QByteArray& charset);

    // Keys 0 to 255: stream ids; kHeaderTextKey, kTimeKey, kTitleKeyBase + id.
    QMap<unsigned int, QObject*> targets;

signals:
    void timer(quint64 milliseconds);
    void onCreate();

public slots:
    void create();
    void hdr_slot(const HDR_T& header);
    void idx_slot(const IDX_T& index);
    void data_slot(const DATA_T& block);

private:
    void _create_video(const STREAM_T& stream, QObject* target);
    void _create_audio(const STREAM_T& stream, QObject* target);
    void _create_text(const STREAM_T& stream, QObject* target);
    void _time_changed(quint64 t);
    void _announce_text(unsigned int key, const QByteArray& text);

    HDR_T hdr;
    IDX_T idx;
};
