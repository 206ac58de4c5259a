#include "difilelist.h"

#include <QFile>
#include <QXmlStreamReader>

bool readDiFileList(const QString& path, QList<DiFile>& files, bool* hasDi)
{
    files.clear();
    if (hasDi)
        *hasDi = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;

    // Element names are taken as written, as a document read without
    // namespace processing has them.
    QXmlStreamReader xml(&file);
    xml.setNamespaceProcessing(false);
    int depth = 0;
    bool inFirstDi = false;
    bool diSeen = false;
    QList<DiFile> found;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView tag = xml.qualifiedName();
            if (depth == 2 && !diSeen && tag == QLatin1String("di")) {
                diSeen = inFirstDi = true;
            } else if (depth == 3 && inFirstDi && tag == QLatin1String("difile")) {
                const QXmlStreamAttributes a = xml.attributes();
                found.append({a.value(QLatin1String("name")).toString(),
                              a.value(QLatin1String("get_command")).toString(),
                              a.value(QLatin1String("put_command")).toString(),
                              a.value(QLatin1String("type")).toString()});
            }
        } else if (token == QXmlStreamReader::EndElement) {
            // The list is complete; the dialog reads the rest of the
            // document whole and reports any fault in it.
            if (depth == 2 && inFirstDi)
                break;
            --depth;
        }
    }
    if (xml.hasError())
        return false;
    files = found;
    if (hasDi)
        *hasDi = diSeen;
    return true;
}
