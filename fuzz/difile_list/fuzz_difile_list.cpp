// Any bytes as a setup description: wherever a whole-document parse accepts
// the document, the streaming file-list reader accepts it too and gives the
// same list, read from the document tree (names as written, no namespace
// processing). Read from memory, the same bytes give the same verdict and
// list as read from a file.
#include "config/difilelist.h"
#include "fuzzcheck.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>

#include <cstdint>
#include <unistd.h>

namespace {

// The `difile` children of the document element's first `di` child.
QList<DiFile> listOf(const QDomDocument& document, bool& hasDi)
{
    QList<DiFile> files;
    const QDomElement di = document.documentElement().firstChildElement(QStringLiteral("di"));
    hasDi = !di.isNull();
    for (QDomElement e = di.firstChildElement(QStringLiteral("difile")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("difile")))
        files.append(
            {e.attribute(QStringLiteral("name")), e.attribute(QStringLiteral("get_command")),
             e.attribute(QStringLiteral("put_command")), e.attribute(QStringLiteral("type"))});
    return files;
}

bool same(const DiFile& a, const DiFile& b)
{
    return a.name == b.name && a.getCommand == b.getCommand && a.putCommand == b.putCommand &&
           a.type == b.type;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QString path =
        QDir::temp().filePath(QStringLiteral("fuzz_difile_%1.xml").arg(::getpid()));
    {
        QFile f(path);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                f.write(bytes) == bytes.size());
    }
    QList<DiFile> files;
    bool hasDi = false;
    const bool accepted = readDiFileList(path, files, &hasDi);
    // The same bytes in memory: the same verdict and the same list.
    QList<DiFile> held;
    bool heldHasDi = false;
    require(readDiFileList(bytes, held, &heldHasDi) == accepted);
    require(heldHasDi == hasDi && held.size() == files.size());
    for (int i = 0; i < files.size(); ++i)
        require(same(held.at(i), files.at(i)));

    QDomDocument document;
    if (!document.setContent(bytes))
        return 0;
    bool domHasDi = false;
    const QList<DiFile> expected = listOf(document, domHasDi);
    require(accepted);
    require(hasDi == domHasDi && files.size() == expected.size());
    for (int i = 0; i < files.size(); ++i)
        require(same(files.at(i), expected.at(i)));
    return 0;
}
