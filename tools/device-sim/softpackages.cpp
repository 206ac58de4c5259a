#include "softpackages.h"

#include <QList>
#include <QRegularExpression>

namespace {

const QRegularExpression
    kField(QStringLiteral("^(\\s*PACKAGE_(?:NAME|VER|DESC|PRIORITY)_)(\\d+)(\\s*=.*)$"));
const QRegularExpression kName(QStringLiteral("^\\s*PACKAGE_NAME_(\\d+)\\s*=(.*)$"));
const QRegularExpression kCount(QStringLiteral("^(\\s*PACKAGES\\s*=\\s*)(.*)$"));

// A value as the soft file writes it: blanks around it, perhaps quoted.
QString unquoted(QString value)
{
    value = value.trimmed();
    const bool quoted = value.size() >= 2 &&
                        (value.front() == QLatin1Char('\'') || value.front() == QLatin1Char('"')) &&
                        value.back() == value.front();
    return quoted ? value.mid(1, value.size() - 2) : value;
}

int numberOf(const QString& name, const QStringList& lines)
{
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = kName.match(line);
        if (m.hasMatch() && unquoted(m.captured(2)) == name)
            return m.captured(1).toInt();
    }
    return 0;
}

} // namespace

bool SoftPackages::remove(QByteArray& soft, const QByteArray& name)
{
    QStringList lines = QString::fromUtf8(soft).split(QLatin1Char('\n'));
    const int removed = numberOf(QString::fromUtf8(name), lines);
    if (removed <= 0)
        return false;
    QStringList kept;
    for (const QString& line : lines) {
        const QRegularExpressionMatch field = kField.match(line);
        const QRegularExpressionMatch count = kCount.match(line);
        if (field.hasMatch()) {
            const int n = field.captured(2).toInt();
            if (n == removed)
                continue;
            kept << (n < removed ? line
                                 : field.captured(1) + QString::number(n - 1) + field.captured(3));
        } else if (count.hasMatch()) {
            kept << count.captured(1) +
                        QString::number(qMax(0, unquoted(count.captured(2)).toInt() - 1));
        } else {
            kept << line;
        }
    }
    soft = kept.join(QLatin1Char('\n')).toUtf8();
    return true;
}
