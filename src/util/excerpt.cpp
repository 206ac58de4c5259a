#include "util/excerpt.h"

namespace {

constexpr QChar kEllipsis(0x2026);

QString escaped(char32_t c)
{
    switch (c) {
    case U'\r':
        return QStringLiteral("\\r");
    case U'\n':
        return QStringLiteral("\\n");
    case U'\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    if (c < 0x100)
        return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
}

bool printable(char32_t c)
{
    return c == U' ' || QChar::isPrint(c);
}

} // namespace

namespace excerpt {

QString of(const QString& text, int limit)
{
    QString out;
    out.reserve(qMin<qsizetype>(text.size(), limit) + 1);
    for (qsizetype i = 0; i < text.size();) {
        // A pair of surrogates is one character and is never split.
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const char32_t c =
            pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        const QString piece = printable(c) ? text.mid(i, pair ? 2 : 1) : escaped(c);
        if (out.size() + piece.size() > limit)
            return out + kEllipsis;
        out += piece;
        i += pair ? 2 : 1;
    }
    return out;
}

QString of(QByteArrayView bytes, int limit)
{
    // No character takes more than four bytes, so this many always hold
    // more than `limit` characters when there are more bytes at all.
    const qsizetype shown = qsizetype(limit) * 4 + 4;
    return of(QString::fromUtf8(bytes.first(qMin(bytes.size(), shown))), limit);
}

} // namespace excerpt
