#include "devicejob.h"

#include "config/csettingsexport.h"
#include "config/nbxnetsetup.h"
#include "util/atomicwrite.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>

namespace {

// file/section/name and the value of an assignment file/section/name/value.
QString keyOf(const QString& assignment)
{
    return assignment.section(QLatin1Char('/'), 0, 2);
}

QString valueOf(const QString& assignment)
{
    return assignment.section(QLatin1Char('/'), 3);
}

} // namespace

DeviceJob::DeviceJob(const ConfigOptions& options, const DeviceAddress& device, QObject* parent)
    : QObject(parent), m_options(options), m_device(device)
{
    m_result.device = device.display();
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &DeviceJob::onTimeout);
    if (options.verb == ConfigOptions::Verb::Set)
        m_assignments = options.keys;
}

DeviceJob::~DeviceJob() = default;

void DeviceJob::start()
{
    m_clock.start();
    if (m_options.timeoutSeconds > 0)
        m_timeout.start(m_options.timeoutSeconds * 1000);
    // A file that cannot be imported is known before the recorder is touched.
    if (m_options.verb == ConfigOptions::Verb::Import &&
        !cSettingsExport::readImport(m_options.file, m_assignments)) {
        finish(JobResult::Outcome::Failed,
               tr("cannot read the import file %1").arg(m_options.file));
        return;
    }
    m_phase = Phase::Loading;
    openSource();
    m_source->load();
}

void DeviceJob::openSource()
{
    m_source = std::make_unique<NBXNetSetup>(m_device.linkAddress());
    connect(m_source.get(), &NBXSetup::loadDone, this, &DeviceJob::onLoaded);
    connect(m_source.get(), &NBXSetup::storeDone, this, &DeviceJob::onStored);
    connect(m_source.get(), &NBXSetup::pseudothrow, this, &DeviceJob::onError);
}

void DeviceJob::dropSource()
{
    // Its signal may be what is running now: it goes once that returns.
    if (!m_source)
        return;
    m_source->disconnect(this);
    m_source.release()->deleteLater();
}

void DeviceJob::onLoaded()
{
    if (m_phase == Phase::Verifying) {
        compareReadBack();
        return;
    }
    if (m_phase != Phase::Loading)
        return;
    switch (m_options.verb) {
    case ConfigOptions::Verb::Get:
        readValues();
        return;
    case ConfigOptions::Verb::Export:
        writeExport();
        return;
    case ConfigOptions::Verb::Set:
    case ConfigOptions::Verb::Import:
        storeAssignments();
        return;
    }
}

void DeviceJob::readValues()
{
    for (const QString& key : m_options.keys)
        m_result.values.append(key + QLatin1Char('=') + m_source->value(key));
    finish(JobResult::Outcome::Ok);
}

void DeviceJob::writeExport()
{
    QFile file(m_source->filePath(QStringLiteral("interface")));
    QDomDocument description;
    if (!file.open(QIODevice::ReadOnly) || !description.setContent(&file)) {
        finish(JobResult::Outcome::Failed, tr("the recorder's setup description is unreadable"));
        return;
    }
    const QDomElement set =
        description.documentElement().elementsByTagName(m_options.exportSet).item(0).toElement();
    if (set.isNull()) {
        finish(JobResult::Outcome::Failed,
               tr("the setup description has no <%1>").arg(m_options.exportSet));
        return;
    }
    const QString path = exportPath();
    if (!writeFileAtomically(path, cSettingsExport::exportText(*m_source, set))) {
        finish(JobResult::Outcome::Failed, tr("cannot write %1").arg(path));
        return;
    }
    finish(JobResult::Outcome::Ok, path);
}

QString DeviceJob::exportPath() const
{
    if (!m_options.manyDevices)
        return m_options.file;
    // One folder for the whole site; it may not exist yet.
    QDir().mkpath(m_options.file);
    QString name = m_result.device;
    name.replace(QLatin1Char(':'), QLatin1Char('_'));
    return QDir(m_options.file).filePath(name + QStringLiteral(".cfg"));
}

void DeviceJob::storeAssignments()
{
    // Nothing is stored unless every key can be: a half-applied set is
    // worse than none.
    for (const QString& assignment : qAsConst(m_assignments)) {
        const QString file = assignment.section(QLatin1Char('/'), 0, 0);
        QString refusal = m_source->fileExists(file)
                              ? m_source->storeRefusal(assignment)
                              : tr("the recorder has no settings file \"%1\"").arg(file);
        if (!refusal.isEmpty()) {
            finish(JobResult::Outcome::Failed, refusal);
            return;
        }
    }
    for (const QString& assignment : qAsConst(m_assignments)) {
        m_source->setValue(assignment);
        if (m_phase == Phase::Done)
            return;
    }
    m_phase = Phase::Storing;
    // The link is still ending its load while it reports it.
    QMetaObject::invokeMethod(m_source.get(), &NBXSetup::store, Qt::QueuedConnection);
}

void DeviceJob::onStored()
{
    if (m_phase != Phase::Storing)
        return;
    // A link of its own reads what the recorder really keeps, not what this
    // link still holds locally.
    dropSource();
    m_phase = Phase::Verifying;
    openSource();
    m_source->load();
}

void DeviceJob::compareReadBack()
{
    QStringList differences;
    for (const QString& assignment : qAsConst(m_assignments)) {
        const QString key = keyOf(assignment);
        const QString read = m_source->value(key);
        if (read != valueOf(assignment))
            differences.append(
                tr("%1 wrote \"%2\", read \"%3\"").arg(key, valueOf(assignment), read));
    }
    if (differences.isEmpty())
        finish(JobResult::Outcome::Ok, tr("%n key(s) read back", nullptr, m_assignments.size()));
    else
        finish(JobResult::Outcome::Mismatch, differences.join(QStringLiteral("; ")));
}

void DeviceJob::onError(const QString& message)
{
    if (m_phase != Phase::Done)
        finish(JobResult::Outcome::Failed, message.simplified());
}

void DeviceJob::onTimeout()
{
    finish(JobResult::Outcome::TimedOut, tr("no end within %1 s").arg(m_options.timeoutSeconds));
}

void DeviceJob::finish(JobResult::Outcome outcome, const QString& message)
{
    if (m_phase == Phase::Done)
        return;
    m_phase = Phase::Done;
    m_timeout.stop();
    dropSource();
    m_result.outcome = outcome;
    m_result.message = message;
    m_result.seconds = m_clock.elapsed() / 1000.0;
    emit finished();
}
