#include "devicefolder.h"

#include "softpackages.h"
#include "util/atomicwrite.h"

#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>

#include <zlib.h>

namespace {

const QString kPlainDescription = QStringLiteral("setup-m.xml");
const QString kPackedDescription = QStringLiteral("setup-m.xml.gz");
// More than any description; a broken archive must not fill the memory.
constexpr qsizetype kMaxUnpacked = 64 * 1024 * 1024;

// The classic request lines of a device whose description has no file list.
const struct
{
    const char* get;
    const char* put;
    const char* file;
} kClassic[] = {
    {"GET CONFIG", "PUT CONFIG", "streams.ini"},
    {"GET NET CONFIG", "PUT NET CONFIG", "net.ini"},
    {"GET TIME CONFIG", "PUT TIME CONFIG", "time.ini"},
    {"GET TIMER CONFIG", "PUT TIMER CONFIG", "timers.ini"},
    {"GET SOFT CONFIG", nullptr, "soft.ini"},
    {"GET DISK CONFIG", "PUT DISK CONFIG", "disk.ini"},
    {"GET USER CONFIG", "PUT USER CONFIG", "users.ini"},
    {"GET STATE CONFIG", "PUT STATE CONFIG", "state.ini"},
};

// Device functions: recorded and answered OK.
const char* const kActions[] = {"INSTALL DEB", "PUT TIME CONFIG"};
const QByteArray kSoftConfig = "PUT SOFT CONFIG";
const QByteArray kPackageDelete = "PACKAGE_DELETE=";
const char* const kActionPrefixes[] = {"DO ", "RESET ", "SEND ", "ADJUST "};

} // namespace

DeviceFolder::DeviceFolder(const QString& path) : m_path(QDir(path).absolutePath()) {}

QString DeviceFolder::inside(const QString& relative) const
{
    // The description names the files; it must not reach outside the folder.
    const QString full = QDir::cleanPath(m_path + QLatin1Char('/') + relative);
    if (relative.isEmpty() || QDir::isAbsolutePath(relative) ||
        !full.startsWith(m_path + QLatin1Char('/')))
        return QString();
    return full;
}

void DeviceFolder::reload()
{
    m_routesRead = false;
}

void DeviceFolder::readRoutes()
{
    m_routesRead = true;
    m_fetches.clear();
    m_uploads.clear();
    m_softFile = QStringLiteral("soft.ini");
    for (const auto& row : kClassic) {
        m_fetches.insert(row.get, QString::fromLatin1(row.file));
        if (row.put)
            m_uploads.insert(row.put, QString::fromLatin1(row.file));
    }
    QByteArray plain;
    if (!readFile(kPlainDescription, plain)) {
        QByteArray packed;
        if (readFile(kPackedDescription, packed))
            plain = gunzip(packed);
    }
    QDomDocument doc;
    if (!doc.setContent(plain))
        return;
    const QDomElement di = doc.documentElement().firstChildElement(QStringLiteral("di"));
    for (QDomElement f = di.firstChildElement(QStringLiteral("difile")); !f.isNull();
         f = f.nextSiblingElement(QStringLiteral("difile"))) {
        const QString get = f.attribute(QStringLiteral("get_command"));
        const QString put = f.attribute(QStringLiteral("put_command"));
        if (f.attribute(QStringLiteral("name")) == QLatin1String("soft") && !get.isEmpty())
            m_softFile = m_fetches.value(get.toLocal8Bit(), get);
        // A classic request line keeps its file; any other names the file.
        if (!get.isEmpty() && !m_fetches.contains(get.toLocal8Bit()))
            m_fetches.insert(get.toLocal8Bit(), get);
        if (!put.isEmpty() && !m_uploads.contains(put.toLocal8Bit()))
            m_uploads.insert(put.toLocal8Bit(), put);
    }
}

DeviceFolder::Route DeviceFolder::route(const QByteArray& line)
{
    if (!m_routesRead)
        readRoutes();
    Route r;
    if (line == "GET SETUP") {
        r.kind = Setup;
        return r;
    }
    if (line == "GET REPORT") {
        r.kind = Report;
        return r;
    }
    if (line == kSoftConfig) {
        r.kind = SoftConfig;
        return r;
    }
    r.fetchFile = m_fetches.value(line);
    r.uploadFile = m_uploads.value(line);
    if (!r.fetchFile.isEmpty() || !r.uploadFile.isEmpty()) {
        r.kind = r.uploadFile.isEmpty() ? Fetch : r.fetchFile.isEmpty() ? Upload : FetchOrUpload;
        return r;
    }
    for (const char* action : kActions) {
        if (line == action)
            r.kind = Action;
    }
    for (const char* prefix : kActionPrefixes) {
        if (line.startsWith(prefix))
            r.kind = Action;
    }
    return r;
}

QByteArray DeviceFolder::setupAnswer()
{
    QByteArray data;
    if (readFile(kPackedDescription, data))
        return data;
    readFile(kPlainDescription, data);
    return gzip(data);
}

QByteArray DeviceFolder::report() const
{
    QByteArray text = "Device report\n";
    text += "folder: " + m_path.toLocal8Bit() + "\n";
    text += "time: " + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toLatin1() + "\n";
    const QStringList files = QDir(m_path).entryList(QDir::Files, QDir::Name);
    for (const QString& f : files)
        text += "file: " + f.toLocal8Bit() + "\n";
    return text;
}

bool DeviceFolder::readFile(const QString& relative, QByteArray& data) const
{
    const QString full = inside(relative);
    QFile file(full);
    if (full.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    data = file.readAll();
    return true;
}

bool DeviceFolder::writeFile(const QString& relative, const QByteArray& data) const
{
    const QString full = inside(relative);
    return !full.isEmpty() && writeFileAtomically(full, data);
}

QByteArray DeviceFolder::applySoftConfig(const QByteArray& payload)
{
    if (!m_routesRead)
        readRoutes();
    for (QByteArray line : payload.split('\n')) {
        line = line.trimmed();
        if (!line.startsWith(kPackageDelete))
            continue;
        const QByteArray name = line.mid(kPackageDelete.size());
        QByteArray soft;
        if (!readFile(m_softFile, soft))
            return "Can not read " + m_softFile.toLocal8Bit();
        if (!SoftPackages::remove(soft, name))
            return "No package " + name;
        if (!writeFile(m_softFile, soft))
            return "Can not write " + m_softFile.toLocal8Bit();
    }
    return QByteArray();
}

bool DeviceFolder::copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    const QStringList files = QDir(from).entryList(QDir::Files);
    for (const QString& f : files) {
        const QString target = to + QLatin1Char('/') + f;
        QFile::remove(target);
        if (!QFile::copy(from + QLatin1Char('/') + f, target))
            return false;
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

QByteArray DeviceFolder::gzip(const QByteArray& plain)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    QByteArray out(int(deflateBound(&z, uLong(plain.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
    z.avail_in = uInt(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

QByteArray DeviceFolder::gunzip(const QByteArray& packed)
{
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK)
        return QByteArray();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    z.avail_in = uInt(packed.size());
    QByteArray out;
    char chunk[16384];
    int rc = Z_OK;
    while (rc == Z_OK && out.size() < kMaxUnpacked) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, qsizetype(sizeof chunk - z.avail_out));
    }
    inflateEnd(&z);
    return out;
}
