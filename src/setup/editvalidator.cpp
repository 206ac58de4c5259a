#include "editvalidator.h"

#include <QDomElement>
#include <QRegularExpressionValidator>

namespace {

const QString kAttribute = QStringLiteral("validator");

} // namespace

QValidator* EditValidator::create(const QDomElement& item, QObject* parent)
{
    if (!item.hasAttribute(kAttribute))
        return nullptr;
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(rule(item)));
    return new QRegularExpressionValidator(pattern, parent);
}

QString EditValidator::rule(const QDomElement& item)
{
    return item.attribute(kAttribute);
}
