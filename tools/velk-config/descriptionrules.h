#pragma once

#include <QDomDocument>
#include <QHash>
#include <QString>

#include <memory>

class NBXSetup;
class QValidator;

// What a recorder's setup description says about the keys its edit controls
// write: the check each value must pass (the one the dialog applies) and
// which keys belong to this recorder alone (its addresses and names), which
// a site-wide import must not copy onto other recorders.
class DescriptionRules
{
public:
    // The control attribute that marks a recorder's own keys.
    static const QString kOwnAttribute;

    DescriptionRules();
    ~DescriptionRules();

    // The rules of the description `setup` has loaded; null when it is
    // unreadable. The recorders of a site mostly share one description, so
    // each distinct one is read once per run.
    static std::shared_ptr<const DescriptionRules> of(NBXSetup& setup);
    const QDomDocument& description() const { return m_description; }

    // Why `value` may not be stored as `key` (file/section/name), naming the
    // key, the value and the rule; empty when it may.
    QString refusal(const QString& key, const QString& value) const;
    bool isOwn(const QString& key) const;

private:
    struct Rule
    {
        std::unique_ptr<QValidator> validator;
        QString pattern;
        bool own = false;
    };

    // Descriptions kept at once; a run meets a few at most.
    static constexpr int kMaxCached = 16;

    bool parse(const QByteArray& text, NBXSetup& setup);
    void addEdit(NBXSetup& setup, const QDomElement& item, bool marked);
    static bool isAddressCheck(QValidator* validator);

    QDomDocument m_description;
    QHash<QString, std::shared_ptr<Rule>> m_rules;
};
