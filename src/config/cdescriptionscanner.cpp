#include "cdescriptionscanner.h"

#include <QFile>
#include <QXmlStreamReader>

bool cDescriptionScanner::scan(const QString& path, const Visitor& visit)
{
    m_fault = None;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Unreadable);
    if (file.size() > kMaxBytes)
        return fail(TooLarge);

    QXmlStreamReader xml(&file);
    return scanXml(xml, visit);
}

bool cDescriptionScanner::scanText(const QByteArray& text, const Visitor& visit)
{
    m_fault = None;
    if (text.size() > kMaxBytes)
        return fail(TooLarge);
    QXmlStreamReader xml(text);
    return scanXml(xml, visit);
}

bool cDescriptionScanner::scanXml(QXmlStreamReader& xml, const Visitor& visit)
{
    xml.setNamespaceProcessing(false);
    int depth = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxDepth)
                return fail(TooDeep, &xml);
            if (visit)
                visit(depth, xml);
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return xml.hasError() ? fail(Malformed, &xml) : true;
}

bool cDescriptionScanner::fail(Fault fault, const QXmlStreamReader* xml)
{
    m_fault = fault;
    m_line = xml ? xml->lineNumber() : 0;
    m_column = xml ? xml->columnNumber() : 0;
    m_detail = xml ? xml->errorString() : QString();
    return false;
}

QString cDescriptionScanner::errorString(const QString& name) const
{
    switch (m_fault) {
    case None:
        break;
    case Unreadable:
        return tr("Cannot read the setup description %1.").arg(name);
    case TooLarge:
        return tr("The setup description %1 is larger than %2 MiB.")
            .arg(name)
            .arg(kMaxBytes / (1024 * 1024));
    case TooDeep:
        return tr("The setup description %1 nests elements deeper than %2 levels "
                  "(line %3, column %4).")
            .arg(name)
            .arg(kMaxDepth)
            .arg(m_line)
            .arg(m_column);
    case Malformed:
        return tr("The setup description %1 is not well-formed (line %2, column %3): %4")
            .arg(name)
            .arg(m_line)
            .arg(m_column)
            .arg(m_detail);
    }
    return QString();
}
