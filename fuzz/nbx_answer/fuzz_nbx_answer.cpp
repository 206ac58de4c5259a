// Device answers arriving in pieces, as the device link receives them. The
// first byte holds a flag and the number of chunk sizes that follow; the
// sizes are used in turn. The rest is either the bytes received, or (with
// the flag) the payload of a well-formed OK frame built around it. After
// each arrival the buffer is parsed, until the parser stops waiting. Every
// result must match a literal reading of the frame rules, and a well-formed
// frame must give its payload back exactly when its last byte arrives.
#include "config/nbxanswerparser.h"
#include "fuzzcheck.h"
#include "util/excerpt.h"

#include <QList>
#include <QRegularExpression>

#include <cstdint>

namespace {

using Result = NBXAnswerParser::Result;

const QByteArray kAnswerTag("VELK_ANSWER=");
const QByteArray kOkLine("VELK_ANSWER=OK\r\n");

struct Expected
{
    Result result = NBXAnswerParser::Waiting;
    QByteArray payload;
    QString message;
};

Expected failed(const QString& message)
{
    return {NBXAnswerParser::Failed, QByteArray(), message};
}

// The answer line: the last "VELK_ANSWER=" that leaves room for the shortest
// line behind it, which must form the whole rest of the frame.
Expected answerLine(const QByteArray& frame)
{
    qsizetype at = frame.size() - kOkLine.size();
    while (at >= 0 && frame.mid(at, kAnswerTag.size()) != kAnswerTag)
        --at;
    if (at < 0)
        return failed(QStringLiteral("Wrong device answer"));
    const QString line = QString::fromUtf8(frame.mid(at));
    static const QRegularExpression answer(
        QStringLiteral("\\AVELK_ANSWER=(OK|ERROR)(:(.*))?\r\n\\z"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = answer.match(line);
    // Messages quote the device's text as a short printable excerpt.
    const QByteArray whole = frame.mid(at);
    if (!m.hasMatch())
        return failed(QStringLiteral("Unrecognized device error \"%1\"")
                          .arg(excerpt::of(
                              QByteArrayView(whole.endsWith("\r\n") ? whole.chopped(2) : whole))));
    if (m.captured(1) == QLatin1String("ERROR"))
        return failed(
            QStringLiteral("Device error \"%1\"")
                .arg(excerpt::of(QByteArrayView(whole.mid(kAnswerTag.size()).chopped(2).mid(6)))));
    return {NBXAnswerParser::Ready, frame.left(at), QString()};
}

// The frame rules read literally: the first "LENGTH=" in the text before
// any NUL byte decides; digits and a line end must follow it, ending within
// the first kLengthLineWithin bytes, and anything that can no longer become
// that is an error at once. A frame is taken to start at the first byte
// received.
Expected reference(const QByteArray& received)
{
    const QByteArray head = received.left(NBXAnswerParser::kLengthLineWithin);
    const qsizetype tag = head.indexOf("LENGTH=");
    const bool tagged = tag >= 0 && !head.left(tag).contains('\0');
    const QString line = tagged ? QString::fromLatin1(head.mid(tag)) : QString();
    static const QRegularExpression lengthLine(QStringLiteral("\\ALENGTH=([0-9]+)\r\n"));
    static const QRegularExpression partial(QStringLiteral("\\ALENGTH=([0-9]+\r?)?\\z"));
    const QRegularExpressionMatch m = lengthLine.match(line);
    if (!m.hasMatch()) {
        if (received.size() > NBXAnswerParser::kLengthLineWithin ||
            (tagged && !partial.match(line).hasMatch()))
            return failed(QStringLiteral("Wrong device answer"));
        return Expected();
    }
    bool ok = false;
    const qint64 length = m.captured(1).toLongLong(&ok);
    if (!ok || length > NBXAnswerParser::kMaxAnswer)
        return failed(QStringLiteral("Wrong device answer"));
    // The line's own length, counted from the first byte received.
    if (m.capturedLength(0) + length > received.size())
        return Expected();
    return answerLine(received.mid(m.capturedLength(0)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool framed = data[0] & 1;
    const size_t sizeCount = 1 + ((data[0] >> 1) & 3);
    if (size < 1 + sizeCount)
        return 0;
    QList<int> chunks;
    for (size_t i = 1; i <= sizeCount; ++i)
        chunks.append(1 + data[i]);
    const QByteArray body(reinterpret_cast<const char*>(data + 1 + sizeCount),
                          qsizetype(size - 1 - sizeCount));
    const QByteArray stream =
        framed
            ? "LENGTH=" + QByteArray::number(body.size() + kOkLine.size()) + "\r\n" + body + kOkLine
            : body;

    QByteArray buffer;
    Result last = NBXAnswerParser::Waiting;
    qsizetype at = 0;
    for (int n = 0; at < stream.size() && last == NBXAnswerParser::Waiting; ++n) {
        const int chunk = chunks.at(n % chunks.size());
        buffer += stream.mid(at, chunk);
        at += chunk;
        const QByteArray before = buffer;
        const Expected expected = reference(before);
        QString message;
        last = NBXAnswerParser::parse(buffer, message);
        require(last == expected.result);
        require(message == expected.message);
        require(buffer == (last == NBXAnswerParser::Ready ? expected.payload : before));
    }
    if (framed)
        require(last == NBXAnswerParser::Ready && at >= stream.size() && buffer == body);
    return 0;
}
