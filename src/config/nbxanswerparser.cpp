#include "nbxanswerparser.h"

#include "util/excerpt.h"
#include <QCoreApplication>

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

NBXAnswerParser::Line NBXAnswerParser::findLength(QByteArrayView head, qsizetype& lineLength,
                                                  qint64& value)
{
    const qsizetype pos = head.indexOf(kLengthTag);
    // The text ends at its first NUL byte; a line after one does not count.
    if (pos < 0 || head.first(pos).contains('\0'))
        return Line::Missing;
    const qsizetype first = pos + kLengthTag.size();
    qsizetype end = first;
    while (end < head.size() && head.at(end) >= '0' && head.at(end) <= '9')
        ++end;
    // A sign or any other character where the number belongs can never turn
    // into a length: waiting for the watchdog would only delay the error.
    const QByteArrayView rest = head.sliced(end).first(qMin<qsizetype>(2, head.size() - end));
    if (!QByteArrayView("\r\n").startsWith(rest) || (end == first && !rest.isEmpty()))
        return Line::Malformed;
    if (rest.size() < 2)
        return Line::Partial;
    bool ok = false;
    value = head.sliced(first, end - first).toLongLong(&ok);
    if (!ok)
        value = -1;
    lineLength = end + 2 - pos;
    return Line::Found;
}

NBXAnswerParser::Result NBXAnswerParser::parse(QByteArray& buffer, QString& message)
{
    qsizetype lineLength = 0;
    qint64 length = 0;
    const Line line = findLength(
        QByteArrayView(buffer).first(qMin(buffer.size(), kLengthLineWithin)), lineLength, length);
    // Past the first 4 KiB no frame can start any more.
    if (line == Line::Malformed || (line != Line::Found && buffer.size() > kLengthLineWithin) ||
        (line == Line::Found && (length < 0 || length > kMaxAnswer))) {
        message = translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Wrong device answer"));
        return Failed;
    }
    if (line != Line::Found || lineLength + length > buffer.size())
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
    // Checked by hand: the line may be megabytes long, and only a short,
    // printable part of it ever goes into a message.
    const QByteArrayView line = QByteArrayView(frame).sliced(at + kAnswerTag.size());
    const auto verdict = [&line](QByteArrayView word) {
        return line.startsWith(word) && line.endsWith("\r\n") &&
               (line.size() == word.size() + 2 || line.at(word.size()) == ':');
    };
    if (verdict("ERROR")) {
        const QByteArrayView text = line.chopped(2).sliced(qMin<qsizetype>(6, line.size() - 2));
        message = translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Device error \"%1\""))
                      .arg(excerpt::of(text));
        return Failed;
    }
    if (!verdict("OK")) {
        const QByteArrayView whole = QByteArrayView(frame).sliced(at);
        message = translated(QT_TRANSLATE_NOOP("NBXNetSetup", "Unrecognized device error \"%1\""))
                      .arg(excerpt::of(whole.endsWith("\r\n") ? whole.chopped(2) : whole));
        return Failed;
    }
    frame.truncate(at);
    return Ready;
}
