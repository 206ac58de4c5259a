#pragma once

#include "configoptions.h"
#include "jobresult.h"

#include <QStringList>
#include <QVariant>

class DescriptionRules;
class NBXSetup;

// What set or import will write on one loaded recorder, decided before
// anything is written: which assignments are taken (an import leaves out
// what --only and --exclude leave out, and the recorder's own keys), which
// are refused and why, and which would change a value.
class AssignmentPlan
{
public:
    AssignmentPlan(const ConfigOptions& options, NBXSetup& setup, const DescriptionRules& rules);

    // file/section/name and the value of an assignment file/section/name/value.
    static QString keyOf(const QString& assignment);
    static QString valueOf(const QString& assignment);
    // The value the recorder holds for `key` (file/section/name); invalid
    // when it does not hold the key, which an empty value must not look like.
    static QVariant held(NBXSetup& setup, const QString& key);
    // Whether export or import carries `key` (file/section/name) at all.
    static bool selected(const ConfigOptions& options, const QString& key);

    // `assignments` are file/section/name/value.
    void make(const QStringList& assignments);

    const QStringList& taken() const { return m_taken; }
    // The recorder's own keys an import left out.
    const QStringList& leftOut() const { return m_leftOut; }
    const QList<KeyValue>& refused() const { return m_refused; }
    const QList<KeyChange>& changes() const { return m_changes; }
    // The assignments that change a value.
    QStringList changing() const;

private:
    bool take(const QString& assignment);
    QString refusal(const QString& assignment);
    bool holds(const QString& key);
    void refuseSharedKeys();

    const ConfigOptions& m_options;
    NBXSetup& m_setup;
    const DescriptionRules& m_rules;
    QStringList m_taken;
    QStringList m_leftOut;
    QList<KeyValue> m_refused;
    QList<KeyChange> m_changes;
};
