#include "video/crsn3demuxer.h"

namespace {

using Announce = void (cRsn3Demuxer::*)(const STREAM_T&, QObject*);

// Text of a wire string: its bytes up to the first 0.
QByteArray text(const QByteArray& wire)
{
    return QByteArray(wire.constData(), int(qstrnlen(wire.constData(), size_t(wire.size()))));
}

template <typename T> QString lookup(const QByteArray& key, const T& table, const char* fallback)
{
    const QByteArray k = text(key);
    for (const auto& row : table) {
        if (k == row.first)
            return QLatin1String(row.second);
    }
    return QLatin1String(fallback);
}

const std::pair<const char*, const char*> kCodecs[] = {
    {"mp4v", "mpeg4"}, {"mjpeg", "mjpeg"}, {"H264", "h264"}};
const std::pair<const char*, const char*> kCharsets[] = {{"-utf8", "UTF-8"}, {"-koi8", "KOI-8"}};

} // namespace

cRsn3Demuxer::cRsn3Demuxer(QObject* parent) : QObject(parent) {}

QString cRsn3Demuxer::codecName(const QByteArray& format)
{
    return lookup(format, kCodecs, "mpeg4");
}

QString cRsn3Demuxer::textEncoding(const QByteArray& charset)
{
    return lookup(charset, kCharsets, "UTF-8");
}

void cRsn3Demuxer::create()
{
    targets.clear();
}

void cRsn3Demuxer::hdr_slot(const HDR_T& header)
{
    static const std::pair<quint8, Announce> kByType[] = {{1, &cRsn3Demuxer::_create_video},
                                                          {2, &cRsn3Demuxer::_create_audio},
                                                          {4, &cRsn3Demuxer::_create_text}};
    hdr = header;
    emit onCreate();

    for (const STREAM_T& s : hdr.streams) {
        QObject* target = targets[s.id]; // listed streams get a key even when unregistered
        for (const auto& row : kByType) {
            if (row.first == s.type)
                (this->*row.second)(s, target);
        }
    }

    _announce_text(kHeaderTextKey, hdr.name);

    if (targets.contains(kTimeKey)) {
        const QByteArray zone = hdr.info.size() > 2 ? text(hdr.info[2]) : QByteArray();
        if (QObject* t = targets.value(kTimeKey))
            QMetaObject::invokeMethod(t, "create", Qt::DirectConnection,
                                      Q_ARG(QString, QString::fromLatin1(zone)));
    }

    for (const STREAM_T& s : hdr.streams) {
        if (s.type != 0)
            _announce_text(kTitleKeyBase + s.id, s.title);
    }
}

void cRsn3Demuxer::_announce_text(unsigned int key, const QByteArray& text)
{
    if (!targets.contains(key))
        return;
    QObject* target = targets.value(key);
    STREAM_T s;
    s.charset = hdr.info.size() > 1 ? hdr.info[1] : QByteArray();
    _create_text(s, target);
    if (target)
        QMetaObject::invokeMethod(target, "append", Qt::DirectConnection, Q_ARG(QByteArray, text));
}

void cRsn3Demuxer::idx_slot(const IDX_T& index)
{
    idx = index;
    _time_changed(quint64(idx.seconds) * 1000);
}

void cRsn3Demuxer::data_slot(const DATA_T& block)
{
    const auto it = targets.constFind(block.streamId);
    if (it == targets.constEnd())
        return;
    if (block.stream.type == rsn3::kVideo)
        _time_changed(quint64(idx.seconds) * 1000 + block.msec);
    // The time slot may have changed the registrations; look again.
    if (QObject* target = targets.value(block.streamId))
        QMetaObject::invokeMethod(target, "append", Qt::DirectConnection,
                                  Q_ARG(QByteArray, block.payload));
}

void cRsn3Demuxer::_create_video(const STREAM_T& stream, QObject* target)
{
    if (target)
        QMetaObject::invokeMethod(target, "create", Qt::DirectConnection,
                                  Q_ARG(QString, codecName(stream.format)));
}

void cRsn3Demuxer::_create_audio(const STREAM_T&, QObject* target)
{
    if (target)
        QMetaObject::invokeMethod(target, "create", Qt::DirectConnection);
}

void cRsn3Demuxer::_create_text(const STREAM_T& stream, QObject* target)
{
    if (target)
        QMetaObject::invokeMethod(target, "create", Qt::DirectConnection,
                                  Q_ARG(QString, textEncoding(stream.charset)));
}

void cRsn3Demuxer::_time_changed(quint64 t)
{
    emit timer(t);
    if (QObject* target = targets.value(kTimeKey))
        QMetaObject::invokeMethod(target, "append", Qt::DirectConnection, Q_ARG(quint64, t));
}
