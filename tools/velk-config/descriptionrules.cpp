#include "descriptionrules.h"

#include "config/nbxsetup.h"
#include "setup/editvalidator.h"

#include <QCryptographicHash>
#include <QFile>
#include <QValidator>

#include <algorithm>

namespace {

bool accepts(QValidator* validator, QString text)
{
    int position = 0;
    return validator->validate(text, position) == QValidator::Acceptable;
}

QList<QDomElement> editItems(const QDomDocument& description)
{
    QList<QDomElement> edits;
    const QDomNodeList items = description.elementsByTagName(QStringLiteral("item"));
    for (int i = 0; i < items.size(); ++i) {
        const QDomElement item = items.item(i).toElement();
        if (item.attribute(QStringLiteral("type")) == QLatin1String("edit"))
            edits.append(item);
    }
    return edits;
}

} // namespace

const QString DescriptionRules::kOwnAttribute = QStringLiteral("recorder_own");

DescriptionRules::DescriptionRules() = default;
DescriptionRules::~DescriptionRules() = default;

std::shared_ptr<const DescriptionRules> DescriptionRules::of(NBXSetup& setup)
{
    static QHash<QByteArray, std::shared_ptr<const DescriptionRules>> cache;
    QFile file(setup.filePath(QStringLiteral("interface")));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray text = file.readAll();
    const QByteArray digest = QCryptographicHash::hash(text, QCryptographicHash::Sha256);
    if (const auto known = cache.value(digest))
        return known;
    auto rules = std::make_shared<DescriptionRules>();
    if (!rules->parse(text, setup))
        return nullptr;
    if (cache.size() >= kMaxCached)
        cache.clear();
    cache.insert(digest, rules);
    return rules;
}

bool DescriptionRules::parse(const QByteArray& text, NBXSetup& setup)
{
    if (!m_description.setContent(text))
        return false;
    const QList<QDomElement> edits = editItems(m_description);
    const bool marked = std::any_of(edits.cbegin(), edits.cend(), [](const QDomElement& item) {
        return item.hasAttribute(kOwnAttribute);
    });
    for (const QDomElement& item : edits)
        addEdit(setup, item, marked);
    return true;
}

void DescriptionRules::addEdit(NBXSetup& setup, const QDomElement& item, bool marked)
{
    auto rule = std::make_shared<Rule>();
    rule->validator.reset(EditValidator::create(item, nullptr));
    rule->pattern = EditValidator::rule(item);
    // A description that marks nothing still has address edits: each
    // recorder needs its own address, so they count as its own.
    rule->own = marked ? item.attribute(kOwnAttribute) == QLatin1String("yes")
                       : isAddressCheck(rule->validator.get());
    for (QDomElement key = item.firstChildElement(QStringLiteral("key")); !key.isNull();
         key = key.nextSiblingElement(QStringLiteral("key")))
        m_rules.insert(setup.path(key.text()), rule);
}

bool DescriptionRules::isAddressCheck(QValidator* validator)
{
    return validator && accepts(validator, QStringLiteral("192.0.2.1")) &&
           !accepts(validator, QStringLiteral("example"));
}

QString DescriptionRules::refusal(const QString& key, const QString& value) const
{
    const auto rule = m_rules.value(key);
    if (!rule || !rule->validator || accepts(rule->validator.get(), value))
        return QString();
    return QStringLiteral("%1: \"%2\" is not accepted: the value must match %3")
        .arg(key, value, rule->pattern);
}

bool DescriptionRules::isOwn(const QString& key) const
{
    const auto rule = m_rules.value(key);
    return rule && rule->own;
}
