#include "devicefaults.h"

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
            return row.mode != SnapshotError ||
                   (out.message.size() == 1 && std::isdigit(uchar(out.message.at(0))));
        }
    }
    return false;
}
