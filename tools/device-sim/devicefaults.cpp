#include "devicefaults.h"

#include <QFileInfo>
#include <QList>

#include <cctype>

bool DeviceFaults::parse(const QString& text, DeviceFaults& out)
{
    static const struct
    {
        const char* name;
        Mode mode;
    } modes[] = {
        {"none", None},
        {"refuse-login", RefuseFirstLogin},
        {"error", AnswerError},
        {"silent", Silent},
        {"close-mid-frame", CloseMidFrame},
        {"garbage", Garbage},
        {"huge-length", HugeLength},
        {"snapshot-error", SnapshotError},
        {"snapshot-close", SnapshotClose},
        {"ptz-garbage", PtzGarbage},
        {"ptz-size-mismatch", PtzSizeMismatch},
        {"ptz-huge-width", PtzHugeWidth},
        {"drop-key", DropKey},
        {"answer-long", AnswerLong},
        {"negative-length", NegativeLength},
        {"stream-junk", StreamJunk},
        {"ptz-flood", PtzFlood},
        {"stereo-trickle", StereoTrickle},
        {"stereo-noaccept", StereoNoAccept},
    };
    static const QString kUploadPrefix = QStringLiteral("upload-");
    out.uploadsOnly = text.startsWith(kUploadPrefix);
    const QString name =
        text.section(QLatin1Char(':'), 0, 0).mid(out.uploadsOnly ? kUploadPrefix.size() : 0);
    for (const auto& row : modes) {
        if (name == QLatin1String(row.name)) {
            out.mode = row.mode;
            out.message = text.section(QLatin1Char(':'), 1).toUtf8();
            // The error code is one digit, as the device sends it.
            if (row.mode == SnapshotError)
                return out.message.size() == 1 && std::isdigit(uchar(out.message.at(0)));
            if (row.mode == AnswerLong)
                return out.message.isEmpty() || out.message == "ok";
            if (row.mode == PtzFlood)
                return out.message.isEmpty() || out.message == "frames";
            return row.mode != DropKey || out.message.count('/') == 2;
        }
    }
    return false;
}

QByteArray DeviceFaults::keptUpload(const QString& file, const QByteArray& payload) const
{
    const QList<QByteArray> key = message.split('/');
    if (mode != DropKey || key.size() != 3 || QFileInfo(file).completeBaseName().toUtf8() != key[0])
        return payload;
    // Lines before any section header belong to the "untitled" section.
    QByteArray section = "untitled";
    QByteArray kept;
    for (const QByteArray& line : payload.split('\n')) {
        const QByteArray bare = line.trimmed();
        if (bare.startsWith('[') && bare.endsWith(']'))
            section = bare.mid(1, bare.size() - 2).trimmed();
        else if (section == key[1] && bare.split('=').first().trimmed() == key[2])
            continue;
        kept += line + '\n';
    }
    kept.chop(1);
    return kept;
}

QByteArray DeviceFaults::longAnswer() const
{
    // Escape sequences and line breaks, as a broken device's log would hold.
    const QByteArray text = QByteArray("disk failure \x1b[31mRED\x1b[0m\r\nsector 0x1f\tbad ")
                                .repeated(kLongAnswer / 40);
    const QByteArray line = message == "ok" ? "VELK_ANSWER=OK" + text : "VELK_ANSWER=ERROR:" + text;
    return "LENGTH=" + QByteArray::number(line.size() + 2) + "\r\n" + line + "\r\n";
}
