// Values between the settings and the controls: the link registry, writes
// that refresh every bound control, the update and act dispatch, and the
// substitution of translations and values into texts.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "setup/ctextsubstituter.h"

#include <QDateTime>
#include <QRegExp>
#include <QScopeGuard>

#include <limits>

void CWinMain::registerKeyForLink(const QDomElement& element)
{
    for (QDomElement key = element.firstChildElement(QStringLiteral("key")); !key.isNull();
         key = key.nextSiblingElement(QStringLiteral("key")))
        registerKeyForLink(key.text(), element);
}

void CWinMain::registerKeyForLink(const QString& key, const QDomElement& element)
{
    const QString tag = linkTagOfElement(element);
    if (tag.isEmpty())
        return; // nothing could ever be found under it
    const QString path = setup->path(key);
    if (!links.contains(path, tag))
        links.insert(path, tag);
}

void CWinMain::setValue(QString s)
{
    setup->setValue(s);
    // Updates may register further links under this path; walk a copy. The
    // registry lists the newest tag first; refresh in registration order.
    const QList<QString> tags = links.values(setup->path(s));
    for (auto tag = tags.crbegin(); tag != tags.crend(); ++tag) {
        const auto it = linkTags.constFind(*tag);
        if (it == linkTags.constEnd())
            continue;
        const QList<QDomElement> carriers = it.value();
        for (const QDomElement& link : carriers) {
            QDomElement control = link.parentNode().toElement();
            if (!control.isNull())
                updateControl(control);
        }
    }
}

void CWinMain::updateControl(QDomElement& element)
{
    QWidget* widget = widgetOf(element);
    if (!widget)
        return;
    const ControlType* row = controlType(element.attribute(QStringLiteral("type")));
    if (row && row->update)
        (this->*row->update)(element, widget);
    const QString tooltip = element.firstChildElement(QStringLiteral("tooltip")).text();
    if (!tooltip.isEmpty())
        editMarks.setToolTip(widget, substitute(tooltip, element));
}

void CWinMain::actControl(QDomElement& element)
{
    if (QWidget* widget = widgetOf(element))
        actControl(widget);
}

void CWinMain::actControl(QWidget* widget)
{
    if (!widget->isEnabled())
        return;
    const QString tag = widget->accessibleName();
    QDomElement element = tag.isEmpty() ? QDomElement() : linkedElement(tag);
    if (!element.isNull()) {
        const QString type = element.attribute(QStringLiteral("type"));
        const ControlType* row = controlType(type);
        if (!row)
            emit pseudothrow(tr("Unknown control type action \"%1\"").arg(type));
        else if (row->act)
            (this->*row->act)(element, widget);

        const QDomNodeList keys = element.elementsByTagName(QStringLiteral("key"));
        for (int i = 0; i < keys.size(); ++i) {
            const QList<QString> linked = links.values(keys.item(i).toElement().text());
            for (auto t = linked.crbegin(); t != linked.crend(); ++t) {
                QDomElement control = linkedElement(*t);
                if (!control.isNull())
                    updateControl(control);
            }
        }
    }
    while (!toggledWidgets.isEmpty())
        actControl(toggledWidgets.takeLast());
}

void CWinMain::controlChanged(QWidget* control)
{
    QWidget* const outer = signalledControl;
    signalledControl = control;
    const auto restore = qScopeGuard([&] { signalledControl = outer; });
    actControl(control);
}

void CWinMain::onCtrlChanged(int)
{
    if (QWidget* widget = qobject_cast<QWidget*>(sender()))
        actControl(widget);
}

void CWinMain::onCtrlChanged()
{
    onCtrlChanged(0);
}

void CWinMain::onCtrlChanged(const QDateTime&)
{
    onCtrlChanged(0);
}

void CWinMain::onCtrlChanged(const QString&)
{
    onCtrlChanged(0);
}

QStringList CWinMain::_split_key(QString s)
{
    QStringList parts = s.split(QLatin1Char(','), Qt::KeepEmptyParts);
    for (QString& part : parts)
        part = part.trimmed();
    return parts;
}

qint64 CWinMain::fromHumanReadable(const QString& s)
{
    QRegExp pattern(QStringLiteral("^\\s*(\\d+)[\\.0-9]*\\s*([KMGT]?)\\s*$"));
    if (pattern.indexIn(s) < 0)
        return 0;
    const qint64 n = pattern.cap(1).toLongLong(); // too many digits read as 0
    const QString unit = pattern.cap(2);
    if (unit.isEmpty())
        return n / 1048576;
    if (unit == QLatin1String("K"))
        return n / 1024;
    if (unit == QLatin1String("M"))
        return n;
    const qint64 factor = unit == QLatin1String("G") ? 1024 : 1048576;
    // Saturate rather than overflow on absurd sizes.
    return n > std::numeric_limits<qint64>::max() / factor ? std::numeric_limits<qint64>::max()
                                                           : n * factor;
}

QString CWinMain::translate(const QString& word, QString& lang)
{
    // Looked up once per substitution, and only when a word needs it.
    if (lang.isNull()) {
        lang = setup->fileExists(QStringLiteral("streams"))
                   ? setup->value(QStringLiteral("streams/common/language/ru"))
                   : QStringLiteral("ru");
        if (lang.isNull())
            lang = QLatin1String("");
    }
    return translationOf(word).firstChildElement(lang).text();
}

QDomElement CWinMain::translationOf(const QString& word)
{
    // Indexed once per document: a scan of every translation for every word
    // would make a large description's build quadratic.
    if (indexedRoot != root) {
        indexedRoot = root;
        translations.clear();
        for (QDomElement t =
                 root.firstChildElement(QStringLiteral("translations")).firstChildElement();
             !t.isNull(); t = t.nextSiblingElement()) {
            if (!translations.contains(t.nodeName()))
                translations.insert(t.nodeName(), t);
        }
    }
    return translations.value(word);
}

QString CWinMain::substitute(const QString& text, const QDomElement& context)
{
    // A build shares one budget across all its texts; afterwards each call,
    // made for one edit, has its own.
    qint64 callBudget = kBuildSubstitutionBudget;
    cTextSubstituter substituter({kMaxReplacements, kMaxSubstitutedLength},
                                 building || dialogBuilds > 0 ? buildBudget : callBudget);
    QString s = text;
    if (s.contains(QLatin1Char('@'))) {
        QString lang;
        s = substituter.translate(s, [&](const QString& word) { return translate(word, lang); });
    }
    if (s.contains(QLatin1Char('{'))) {
        s = substituter.expandValues(s, [&](const QString& key) {
            const QString value = setup->value(key);
            if (!context.isNull())
                registerKeyForLink(key, context);
            return value;
        });
    }
    return s;
}

QString CWinMain::substitute(const QString& text)
{
    return substitute(text, QDomElement());
}
