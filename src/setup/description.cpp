// Reading the setup description and finding elements and widgets by tag.
#include "cwinmain.h"

#include "config/cdescriptionscanner.h"
#include "config/nbxsetup.h"

#include <QTabWidget>

namespace {

const QString& controlWidgetName()
{
    static const QString name = QStringLiteral("controlWidget");
    return name;
}

const QList<QDomElement> noElements;

// QDomNode compares nodes by their shared private part but offers no hash of
// it; a subclass may read it.
class NodeKey : public QDomNode
{
public:
    explicit NodeKey(const QDomNode& node) : QDomNode(node) {}
    quintptr value() const { return quintptr(impl); }
};

// The node after `node` below `top` in document order, or null.
QDomNode nextInDocument(QDomNode node, const QDomElement& top)
{
    if (node.hasChildNodes())
        return node.firstChild();
    while (node != top && node.nextSibling().isNull())
        node = node.parentNode();
    return node == top ? QDomNode() : node.nextSibling();
}

// First element named `name` below `top`, in document order; stops early
// instead of collecting every match as elementsByTagName() does.
QDomElement firstDescendant(const QDomElement& top, const QString& name)
{
    if (top.isNull())
        return QDomElement();
    for (QDomNode node = top.firstChild(); !node.isNull(); node = nextInDocument(node, top)) {
        if (node.isElement() && node.nodeName() == name)
            return node.toElement();
    }
    return QDomElement();
}

QTabWidget::TabPosition tabPosition(const QString& text)
{
    static const QHash<QString, QTabWidget::TabPosition> positions = {
        {QStringLiteral("South"), QTabWidget::South},
        {QStringLiteral("West"), QTabWidget::West},
        {QStringLiteral("East"), QTabWidget::East},
    };
    return positions.value(text, QTabWidget::North);
}

} // namespace

void CWinMain::parseConfig(const QString& fileName)
{
    configFile.setFileName(fileName);
    if (!configFile.open(QIODevice::ReadOnly)) {
        emit pseudothrow(tr("Cannot read file %1").arg(fileName));
        return;
    }
    // Read once, at most one byte past the bound, for the check and the parse.
    const QByteArray text = configFile.read(cDescriptionScanner::kMaxBytes + 1);
    configFile.close();
    // The tree costs tens of times the text and slows down with depth, so a
    // description of absurd size or nesting is refused before it is built.
    // One that is merely malformed is left to the parser, which says where.
    cDescriptionScanner check;
    if (!check.scanText(text) && check.fault() != cDescriptionScanner::Malformed) {
        emit pseudothrow(check.errorString(fileName));
        return;
    }
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(text, true, &message, &line, &column)) {
        emit pseudothrow(
            QStringLiteral("%1:%2.%3\n%4").arg(fileName).arg(line).arg(column).arg(message));
        return;
    }
    root = document.documentElement();
    elementsByName.clear();
    elementsIndexed = false;
    if (root.tagName() != QLatin1String("pxsetup")) {
        emit pseudothrow(tr("%1 is not an Panorix Setup config file.").arg(fileName));
        return;
    }
    if (!root.hasAttribute(QStringLiteral("version")) ||
        root.attribute(QStringLiteral("version")) != QLatin1String("1.0")) {
        emit pseudothrow(tr("%1 file version is not 1.0").arg(fileName));
        return;
    }

    QDomElement window = root.firstChildElement(QStringLiteral("window"));
    setCommonControlOptions(this, window);

    const struct
    {
        const char* element;
        QPushButton* button;
    } buttons[] = {
        {"buttonOK", ui.pbOK}, {"buttonCancel", ui.pbCancel}, {"buttonApply", ui.pbApply}};
    for (const auto& b : buttons) {
        const QDomElement def = root.firstChildElement(QLatin1String(b.element));
        const QDomElement text = def.firstChildElement(QStringLiteral("text"));
        if (text.isNull())
            continue;
        b.button->setText(substitute(text.text()));
        b.button->setToolTip(substitute(def.firstChildElement(QStringLiteral("tooltip")).text()));
        b.button->show();
    }

    const QDomElement tabs = root.firstChildElement(QStringLiteral("tabwidget"));
    const QDomElement position = tabs.firstChildElement(QStringLiteral("tabposition"));
    if (!position.isNull())
        ui.tabWidget->setTabPosition(tabPosition(position.text()));

    while (ui.tabWidget->count() > 0) {
        QWidget* page = ui.tabWidget->widget(0);
        ui.tabWidget->removeTab(0);
        delete page;
    }
    for (QDomElement tab = tabs.firstChildElement(QStringLiteral("tab")); !tab.isNull();
         tab = tab.nextSiblingElement(QStringLiteral("tab"))) {
        QWidget* page = new QWidget();
        ui.tabWidget->addTab(page,
                             substitute(tab.firstChildElement(QStringLiteral("name")).text()));
        fillWidget(page, tab);
    }
    ui.tabWidget->setCurrentIndex(
        tabs.firstChildElement(QStringLiteral("selection")).text().toInt());

    const int width = window.firstChildElement(QStringLiteral("width")).text().toInt();
    const int height = window.firstChildElement(QStringLiteral("height")).text().toInt();
    if (width != 0 && height != 0)
        resize(width, height);

    setWindowTitle(substitute(window.firstChildElement(QStringLiteral("title")).text(), window));

    updatePendingControls();

    for (QDomElement task = window.firstChildElement(QStringLiteral("timetask")); !task.isNull();
         task = task.nextSiblingElement(QStringLiteral("timetask")))
        newTimeTask(task);

    timeTaskTimer.start(500);
    building = false;
}

void CWinMain::updatePendingControls()
{
    // Steps may create further controls (a call that opens a dialog); those
    // are queued behind and handled in the same pass.
    for (int i = 0; i < pendingControls.size(); ++i) {
        QDomElement element = pendingControls.at(i);
        updateControl(element);
        actControl(element);
    }
    pendingControls.clear();
}

qint64 CWinMain::handleOf(const QWidget* widget)
{
    return qint64(reinterpret_cast<quintptr>(widget));
}

void CWinMain::annotate(QWidget* widget, QDomElement& element)
{
    if (element.isNull())
        return;
    const qint64 handle = handleOf(widget);
    const QString number = QString::number(handle);
    const QString tag = QLatin1String("link") + number;

    ElementRecords& known = annotations[NodeKey(element).value()];
    if (known.element.isNull()) {
        known.element = element;
        known.foreign = !element.firstChildElement(controlWidgetName()).isNull();
    }
    // Records of a dialog that closed are gone from the document.
    if (!known.records.isEmpty())
        known.records.removeIf(
            [](const WidgetRecord& r) { return r.record.parentNode().isNull(); });

    QDomElement link = document.createElement(tag);
    element.appendChild(link);
    QDomElement record = document.createElement(controlWidgetName());
    record.setAttribute(QStringLiteral("address"), number);
    record.setAttribute(QStringLiteral("id"), tag);
    element.appendChild(record);
    widget->setAccessibleName(tag);
    linkTags[tag].append(link);
    widgets.insert(handle, widget);
    known.records.append({record, tag, handle});
}

std::optional<const CWinMain::WidgetRecord*>
CWinMain::firstRecordOf(const QDomElement& element) const
{
    const auto known = annotations.constFind(NodeKey(element).value());
    if (known == annotations.constEnd() || known->foreign)
        return std::nullopt;
    // A record that was removed from the document has no parent any more.
    for (const WidgetRecord& r : known->records) {
        if (!r.record.parentNode().isNull())
            return &r;
    }
    return nullptr;
}

QString CWinMain::linkTagOfElement(const QDomElement& element) const
{
    if (const auto record = firstRecordOf(element))
        return *record ? (*record)->tag : QString();
    return element.firstChildElement(controlWidgetName()).attribute(QStringLiteral("id"));
}

QDomElement CWinMain::linkedElement(const QString& linkTag) const
{
    // A tag element that was removed from the document has no parent any more.
    const auto it = linkTags.constFind(linkTag);
    if (it == linkTags.constEnd())
        return QDomElement();
    for (const QDomElement& link : it.value()) {
        const QDomNode parent = link.parentNode();
        if (!parent.isNull() && parent.isElement())
            return parent.toElement();
    }
    return QDomElement();
}

const QList<QDomElement>* CWinMain::indexedElements(const QString& name)
{
    if (root.isNull() || name == controlWidgetName())
        return nullptr;
    if (!elementsIndexed) {
        for (QDomNode node = root.firstChild(); !node.isNull(); node = nextInDocument(node, root)) {
            if (!node.isElement())
                continue;
            const QDomElement element = node.toElement();
            const QString elementName = element.tagName();
            if (elementName != controlWidgetName() && !linkTags.contains(elementName))
                elementsByName[elementName].append(element);
        }
        elementsIndexed = true;
    }
    const auto it = elementsByName.constFind(name);
    return it == elementsByName.constEnd() ? &noElements : &it.value();
}

QDomElement CWinMain::taggedElement(const QString& tag)
{
    if (linkTags.contains(tag))
        return linkedElement(tag);
    // The index knows names without their namespace prefix.
    const QList<QDomElement>* named =
        tag.contains(QLatin1Char(':')) ? nullptr : indexedElements(tag);
    if (!named) {
        const QDomElement found = firstDescendant(root, tag);
        return found.isNull() ? QDomElement() : found.parentNode().toElement();
    }
    for (const QDomElement& e : *named) {
        const QDomNode parent = e.parentNode();
        if (!parent.isNull() && e.prefix().isEmpty())
            return parent.toElement();
    }
    return QDomElement();
}

QList<QDomElement> CWinMain::elementsNamed(const QString& tag)
{
    QList<QDomElement> out;
    const auto links = linkTags.constFind(tag);
    const QList<QDomElement>* named =
        links != linkTags.constEnd() ? &links.value() : indexedElements(tag);
    if (!named) {
        const QDomNodeList nodes = root.elementsByTagName(tag);
        out.reserve(nodes.size());
        for (int i = 0; i < nodes.size(); ++i)
            out.append(nodes.item(i).toElement());
        return out;
    }
    for (const QDomElement& e : *named) {
        if (!e.parentNode().isNull())
            out.append(e);
    }
    return out;
}

QWidget* CWinMain::widgetOf(const QDomElement& element) const
{
    qint64 handle = 0;
    if (const auto record = firstRecordOf(element))
        handle = *record ? (*record)->handle : 0;
    else
        handle = element.firstChildElement(controlWidgetName())
                     .attribute(QStringLiteral("address"))
                     .toLongLong();
    if (handle == 0)
        return nullptr;
    return widgets.value(handle).data();
}

QWidget* CWinMain::taggedObject(const QString& tag)
{
    return widgetOf(taggedElement(tag));
}
