#include "devicejob.h"

#include "assignmentplan.h"
#include "loginrefusals.h"

#include "config/csettingsexport.h"
#include "config/nbxnetsetup.h"
#include "util/atomicwrite.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>

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
    // A refused login that nobody answered ends the exchange without an error.
    connect(m_source.get(), &NBXSetup::cancelled, this,
            [this] { onError(tr("Authorization failed")); });
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
        planAssignments();
        return;
    }
}

void DeviceJob::readValues()
{
    for (const QString& key : m_options.keys) {
        const QVariant value = AssignmentPlan::held(*m_source, key);
        if (!value.isValid()) {
            m_result.read.clear();
            finish(JobResult::Outcome::Failed, tr("the recorder has no key %1").arg(key));
            return;
        }
        m_result.read.append({key, value.toString()});
    }
    finish(JobResult::Outcome::Ok);
}

bool DeviceJob::loadRules()
{
    m_rules = DescriptionRules::of(*m_source);
    if (!m_rules)
        finish(JobResult::Outcome::Failed, tr("the recorder's setup description is unreadable"));
    return bool(m_rules);
}

void DeviceJob::writeExport()
{
    if (!loadRules())
        return;
    const QDomElement set = m_rules->description()
                                .documentElement()
                                .elementsByTagName(m_options.exportSet)
                                .item(0)
                                .toElement();
    if (set.isNull()) {
        finish(JobResult::Outcome::Failed,
               tr("the setup description has no <%1>").arg(m_options.exportSet));
        return;
    }
    QByteArray text;
    for (const QByteArray& line : cSettingsExport::exportText(*m_source, set).split('\n')) {
        if (!line.isEmpty() &&
            AssignmentPlan::selected(m_options, AssignmentPlan::keyOf(QString::fromUtf8(line))))
            text += line + '\n';
    }
    const QString path = exportPath();
    if (!writeFileAtomically(path, text)) {
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

void DeviceJob::planAssignments()
{
    if (!loadRules())
        return;
    AssignmentPlan plan(m_options, *m_source, *m_rules);
    plan.make(m_assignments);
    m_result.changes = plan.changes();
    m_result.refused = plan.refused();
    QString leftOut;
    if (!plan.leftOut().isEmpty())
        leftOut = tr("; left out as this recorder's own: %1")
                      .arg(plan.leftOut().join(QStringLiteral(", ")));
    // Nothing is stored unless every key can be: a half-applied set is
    // worse than none.
    if (!plan.refused().isEmpty()) {
        QStringList reasons;
        for (const KeyValue& r : plan.refused())
            reasons.append(r.value);
        finish(JobResult::Outcome::Refused, reasons.join(QStringLiteral("; ")));
        return;
    }
    if (m_options.dryRun) {
        finish(JobResult::Outcome::Ok,
               tr("%n key(s) would change", nullptr, int(plan.changes().size())) + leftOut);
        return;
    }
    // Nothing to upload: a repeated run leaves the recorder alone.
    if (plan.changes().isEmpty()) {
        finish(JobResult::Outcome::Ok, tr("nothing to change") + leftOut);
        return;
    }
    m_leftOut = leftOut;
    store(plan.changing());
}

void DeviceJob::store(const QStringList& assignments)
{
    m_assignments = assignments;
    for (const QString& assignment : assignments) {
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
        const QString key = AssignmentPlan::keyOf(assignment);
        const QString read = m_source->value(key);
        if (read != AssignmentPlan::valueOf(assignment))
            differences.append(tr("%1 wrote \"%2\", read \"%3\"")
                                   .arg(key, AssignmentPlan::valueOf(assignment), read));
    }
    if (differences.isEmpty())
        finish(JobResult::Outcome::Ok,
               tr("%n key(s) read back", nullptr, int(m_assignments.size())) + m_leftOut);
    else
        finish(JobResult::Outcome::Mismatch, differences.join(QStringLiteral("; ")));
}

void DeviceJob::onError(const QString& message)
{
    if (m_phase == Phase::Done)
        return;
    const QString login =
        LoginRefusals::take(m_source->value(QStringLiteral("general/network/url")));
    finish(JobResult::Outcome::Failed, login.isNull()
                                           ? message.simplified()
                                           : tr("the recorder refused login \"%1\"").arg(login));
}

void DeviceJob::onTimeout()
{
    QString message = tr("no end within %1 s").arg(m_options.timeoutSeconds);
    // Once files went out, some may have arrived and some not.
    if (m_phase == Phase::Storing)
        message += tr("; store may be incomplete: check with get");
    else if (m_phase == Phase::Verifying)
        message += tr("; stored, but not read back: check with get");
    finish(JobResult::Outcome::TimedOut, message);
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
