#include "csettingsexport.h"

#include "nbxsetup.h"

#include <QDomElement>
#include <QFile>

namespace {

QList<QDomElement> descendantsNamed(const QDomElement& element, const QString& name)
{
    QList<QDomElement> out;
    const QDomNodeList nodes = element.elementsByTagName(name);
    for (int i = 0; i < nodes.size(); ++i)
        out.append(nodes.item(i).toElement());
    return out;
}

} // namespace

QByteArray cSettingsExport::exportText(NBXSetup& setup, const QDomElement& set)
{
    QByteArray text;
    for (const QDomElement& key : descendantsNamed(set, QStringLiteral("key")))
        text +=
            (key.text() + QLatin1Char('/') + setup.value(key.text()) + QLatin1Char('\n')).toUtf8();
    for (const QDomElement& pattern : descendantsNamed(set, QStringLiteral("regexp_key"))) {
        for (const QString& entry : setup.regexp_values(pattern.text()))
            text += (entry + QLatin1Char('\n')).toUtf8();
    }
    return text;
}

bool cSettingsExport::readImport(const QString& path, QStringList& assignments)
{
    QFile in(path);
    // Read up to the bound, not to the end: a device or a pipe has no size
    // and may never end.
    const QByteArray bytes =
        in.open(QIODevice::ReadOnly) ? in.read(kMaxImportBytes + 1) : QByteArray();
    if (!in.isOpen() || bytes.size() > kMaxImportBytes)
        return false;
    assignments.clear();
    for (QString line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char('\r'));
        if (!line.isEmpty())
            assignments.append(line);
    }
    return true;
}
