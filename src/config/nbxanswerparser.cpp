#include "nbxanswerparser.h"

#include <QCoreApplication>
#include <QRegExp>

namespace {

const QByteArray kLengthTag("LENGTH=");
const QByteArray kAnswerTag("VELK_ANSWER=");
// The shortest answer line, "VELK_ANSWER=OK\r\n".
constexpr qsizetype kShortestAnswer = 16;

QString translated(const char* text)
{
    return QCoreApplication::translate("NBXNetSetup", text);
}

} // namespace

qsizetype NBXAnswerParser::findLength(QByteArrayView head, qsizetype& lineLength, qint64& value)
{
    for (qsizetype pos = head.indexOf(kLengthTag); pos >= 0;
         pos = head.indexOf(kLengthTag, pos + 1)) {
        qsizetype end = pos + kLengthTag.size();
        while (end < head.size() && head.at(end) >= '0' && head.at(end) <= '9')
            ++end;
        const qsizetype digits = end - pos - kLengthTag.size();
        if (digits == 0 || end + 2 > head.size() || head.at(end) != '\r' ||
            head.at(end + 1) != '\n')
            continue;
        // The text ends at its first NUL byte; a line after one does not count.
        if (head.first(pos).contains('\0'))
            return -1;
        bool ok = false;
        value = head.sliced(pos + kLengthTag.size(), digits).toLongLong(&ok);
        if (!ok)
            value = -1;
        lineLength = end + 2 - pos;
        return pos;
    }
    return -1;
}

NBXAnswerParser::Result NBXAnswerParser::parse(QByteArray& buffer, QString& message)
{
    qsizetype lineLength = 0;
    qint64 length = 0;
    if (findLength(QByteArrayView(buffer).first(qMin(buffer.size(), kLengthLineWithin)), lineLength,
                   length) < 0) {
        // No frame can start any more.
        if (buffer.size() > kLengthLineWithin) {
            message = translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Wrong device answer"));
            return Failed;
        }
        return Waiting;
    }
    if (length < 0 || length > kMaxAnswer) {
        message = translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Wrong device answer"));
        return Failed;
    }
    if (lineLength + length > buffer.size())
        return Waiting;

    QByteArray frame = buffer.mid(lineLength);
    const Result result = parseAnswerLine(frame, message);
    if (result == Ready)
        buffer = frame;
    return result;
}

NBXAnswerParser::Result NBXAnswerParser::parseAnswerLine(QByteArray& frame, QString& message)
{
    const qsizetype from = frame.size() - kShortestAnswer;
    const qsizetype at = from < 0 ? -1 : frame.lastIndexOf(kAnswerTag, from);
    if (at < 0) {
        message = translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Wrong device answer"));
        return Failed;
    }
    const QString line = QString::fromUtf8(frame.mid(at));
    QRegExp answer(QStringLiteral("^VELK_ANSWER=(OK|ERROR)(:(.*))?\r\n$"));
    if (!answer.exactMatch(line)) {
        message = translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Unrecognized device error \"%1\""))
                      .arg(line);
        return Failed;
    }
    if (answer.cap(1) == QLatin1String("ERROR")) {
        message =
            translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Device error \"%1\"")).arg(answer.cap(3));
        return Failed;
    }
    frame.truncate(at);
    return Ready;
}
