#include "assignmentplan.h"

#include "descriptionrules.h"

#include "config/nbxsettings.h"
#include "config/nbxsetup.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AssignmentPlan", text);
}

} // namespace

AssignmentPlan::AssignmentPlan(const ConfigOptions& options, NBXSetup& setup,
                               const DescriptionRules& rules)
    : m_options(options), m_setup(setup), m_rules(rules)
{
}

QString AssignmentPlan::keyOf(const QString& assignment)
{
    return assignment.section(QLatin1Char('/'), 0, 2);
}

QString AssignmentPlan::valueOf(const QString& assignment)
{
    return assignment.section(QLatin1Char('/'), 3);
}

bool AssignmentPlan::selected(const ConfigOptions& options, const QString& key)
{
    return !options.exclude.contains(key) && (options.only.isEmpty() || options.only.contains(key));
}

void AssignmentPlan::make(const QStringList& assignments)
{
    for (const QString& assignment : assignments) {
        if (!take(assignment))
            continue;
        m_taken.append(assignment);
        const QString why = refusal(assignment);
        if (!why.isEmpty()) {
            m_refused.append({keyOf(assignment), why});
            continue;
        }
        const QString key = keyOf(assignment);
        const QString from = holds(key) ? m_setup.value(key) : QString();
        if (from.isNull() || from != valueOf(assignment))
            m_changes.append({key, from, valueOf(assignment)});
    }
    refuseSharedKeys();
}

bool AssignmentPlan::take(const QString& assignment)
{
    if (m_options.verb != ConfigOptions::Verb::Import)
        return true;
    const QString key = keyOf(assignment);
    if (!selected(m_options, key))
        return false;
    // A file made on one recorder carries its addresses and names; copied
    // onto a site they would clash.
    if (m_options.only.isEmpty() && m_rules.isOwn(key)) {
        m_leftOut.append(key);
        return false;
    }
    return true;
}

QString AssignmentPlan::refusal(const QString& assignment)
{
    const QString key = keyOf(assignment);
    const QString file = key.section(QLatin1Char('/'), 0, 0);
    if (!m_setup.fileExists(file))
        return tr("the recorder has no settings file \"%1\"").arg(file);
    // A mistyped key would otherwise land in a new section nobody reads.
    if (!m_options.create && !holds(key))
        return tr("the recorder has no key %1 (--create adds it)").arg(key);
    const QString rule = m_rules.refusal(key, valueOf(assignment));
    return rule.isEmpty() ? m_setup.storeRefusal(assignment) : rule;
}

bool AssignmentPlan::holds(const QString& key)
{
    return held(m_setup, key).isValid();
}

QVariant AssignmentPlan::held(NBXSetup& setup, const QString& key)
{
    const QString file = key.section(QLatin1Char('/'), 0, 0);
    return setup.fileExists(file) ? setup.settings(file)->value(key.section(QLatin1Char('/'), 1))
                                  : QVariant();
}

void AssignmentPlan::refuseSharedKeys()
{
    const int recorders = int(m_options.devices.size());
    if (m_options.verb != ConfigOptions::Verb::Import || recorders < 2)
        return;
    for (const QString& assignment : qAsConst(m_taken)) {
        if (m_rules.isOwn(keyOf(assignment)))
            m_refused.append(
                {keyOf(assignment), tr("the import would give all %1 recorders the same %2 \"%3\"")
                                        .arg(recorders)
                                        .arg(keyOf(assignment), valueOf(assignment))});
    }
}

QStringList AssignmentPlan::changing() const
{
    QStringList out;
    for (const KeyChange& c : m_changes)
        out.append(c.key + QLatin1Char('/') + c.to);
    return out;
}
