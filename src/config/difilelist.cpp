#include "difilelist.h"

#include "cdescriptionscanner.h"

#include <QXmlStreamReader>

namespace {

// `scan(scanner, visitor)` runs the scanner over the description.
template <typename Scan>
bool readList(Scan scan, QList<DiFile>& files, bool* hasDi, cDescriptionScanner* check)
{
    files.clear();
    if (hasDi)
        *hasDi = false;

    bool inFirstDi = false;
    bool diSeen = false;
    QList<DiFile> found;
    // Start elements alone are enough: any later element at the level of
    // `di` ends the first one.
    const auto collect = [&](int depth, const QXmlStreamReader& xml) {
        const QStringView tag = xml.qualifiedName();
        if (depth == 2) {
            inFirstDi = !diSeen && tag == QLatin1String("di");
            diSeen = diSeen || inFirstDi;
        } else if (depth == 3 && inFirstDi && tag == QLatin1String("difile")) {
            const QXmlStreamAttributes a = xml.attributes();
            found.append({a.value(QLatin1String("name")).toString(),
                          a.value(QLatin1String("get_command")).toString(),
                          a.value(QLatin1String("put_command")).toString(),
                          a.value(QLatin1String("type")).toString()});
        }
    };
    cDescriptionScanner own;
    cDescriptionScanner& scanner = check ? *check : own;
    if (!scan(scanner, collect))
        return false;
    files = found;
    if (hasDi)
        *hasDi = diSeen;
    return true;
}

} // namespace

bool readDiFileList(const QString& path, QList<DiFile>& files, bool* hasDi,
                    cDescriptionScanner* check)
{
    return readList([&](cDescriptionScanner& s, const auto& visit) { return s.scan(path, visit); },
                    files, hasDi, check);
}

bool readDiFileList(const QByteArray& text, QList<DiFile>& files, bool* hasDi,
                    cDescriptionScanner* check)
{
    return readList(
        [&](cDescriptionScanner& s, const auto& visit) { return s.scanText(text, visit); }, files,
        hasDi, check);
}
