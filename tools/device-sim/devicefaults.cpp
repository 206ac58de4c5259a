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
