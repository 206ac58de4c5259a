// Creation, update and act steps of the plain control types.
#include "controloptions.h"
#include "cwinmain.h"

#include "config/csetupwidget.h"
#include "config/nbxsetup.h"
#include "host/nbxprogresspie.h"
#include "setup/conlineview.h"
#include "setup/editvalidator.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTabWidget>
#include <QTreeWidget>
#include <QValidator>
#include <QWidgetItem>

#include <limits>

namespace {

QLayoutItem* carrier(QWidget* widget)
{
    return new QWidgetItem(widget);
}

// Names of the description's elements and attributes are static text; a
// look-up wraps it instead of building a string.
QString name(QStringView text)
{
    return QString::fromRawData(text.data(), text.size());
}

QDomElement firstChild(const QDomElement& element, QStringView tag)
{
    return element.firstChildElement(name(tag));
}

// The next sibling of the same name: with firstChild() a walk over the
// children of one name that builds no list.
QDomElement nextOfSameName(const QDomElement& element)
{
    return element.nextSiblingElement(element.tagName());
}

QString childText(const QDomElement& element, QStringView tag)
{
    return firstChild(element, tag).text();
}

QString attr(const QDomElement& element, QStringView attribute)
{
    return element.attribute(name(attribute));
}

int intAttr(const QDomElement& element, QStringView attribute)
{
    return attr(element, attribute).toInt();
}

// Widths and heights of views that are fixed in size; 32 when absent or 0.
QSize fixedSize(const QDomElement& element)
{
    const int w = intAttr(element, u"width");
    const int h = intAttr(element, u"height");
    return QSize(w == 0 ? 32 : w, h == 0 ? 32 : h);
}

// The key a single-valued control is bound to; null when it has none, in
// which case the control reads and writes nothing.
QString firstKey(const QDomElement& element)
{
    const QDomElement key = firstChild(element, u"key");
    return key.isNull() ? QString() : key.text();
}

QList<QDomElement> childElements(const QDomElement& element, QStringView tag)
{
    QList<QDomElement> out;
    for (QDomElement e = firstChild(element, tag); !e.isNull(); e = nextOfSameName(e))
        out.append(e);
    return out;
}

void applyButtonOptions(QPushButton* button, const QDomElement& item)
{
    static const QHash<QString, Qt::GlobalColor> colours = {
        {QStringLiteral("green"), Qt::green},
        {QStringLiteral("blue"), Qt::blue},
        {QStringLiteral("darkCyan"), Qt::darkCyan},
        {QStringLiteral("red"), Qt::red},
    };
    if (item.hasAttribute(QStringLiteral("checkable")) &&
        attr(item, u"checkable") == QLatin1String("true"))
        button->setCheckable(true);
    // Enter clicks only the button the description makes the default: a
    // focused button taking Enter by Qt's dialog rule would let Enter answer
    // "Yes" to formatting a disk.
    button->setAutoDefault(false);
    if (attr(item, u"default") == QLatin1String("true"))
        button->setDefault(true);
    const auto colour = colours.constFind(attr(item, u"color"));
    if (item.hasAttribute(QStringLiteral("color")) && colour != colours.constEnd()) {
        QPalette palette = button->palette();
        palette.setBrush(QPalette::All, QPalette::Button, QBrush(colour.value(), Qt::SolidPattern));
        button->setPalette(palette);
    }
}

} // namespace

// Options that control types in files of their own share with these.
void applyPushButtonOptions(QPushButton* button, const QDomElement& item)
{
    applyButtonOptions(button, item);
}

QSize fixedViewSize(const QDomElement& item)
{
    return fixedSize(item);
}

// --- creation

QLayoutItem* CWinMain::newLabel(QDomElement& item)
{
    auto* label = new QLabel(controlParent);
    label->setAlignment(itemAlighment(item));
    return carrier(label);
}

QLayoutItem* CWinMain::newDropdown(QDomElement& item)
{
    auto* combo = new QComboBox(controlParent);
    combo->setEditable(false);
    const QList<QDomElement> keys = childElements(item, u"key");
    const QList<QDomElement> texts = childElements(item, u"text");
    for (int n = 0; n < texts.size(); ++n)
        combo->addItem(substitute(texts.at(n).text(), item),
                       n < keys.size() ? keys.at(n).text() : QString());
    connectChange(combo, &QComboBox::activated);
    return carrier(combo);
}

QLayoutItem* CWinMain::newEdit(QDomElement& item)
{
    auto* edit = new QLineEdit(controlParent);
    // Owned by the edit but not installed on it: an installed validator
    // drops the keystroke that makes the text invalid, so "1.2.3.256"
    // would silently become the valid, different "1.2.3.25". The text
    // stays as typed and actEdit() marks what the validator refuses.
    EditValidator::create(item, edit);
    if (item.hasAttribute(QStringLiteral("inputMask")))
        edit->setInputMask(attr(item, u"inputMask"));
    if (attr(item, u"password") == QLatin1String("on"))
        edit->setEchoMode(QLineEdit::Password);
    connectChange(edit, &QLineEdit::textChanged);
    return carrier(edit);
}

QLayoutItem* CWinMain::newCheckbox(QDomElement& item)
{
    auto* box = new QCheckBox(childText(item, u"text"), controlParent);
    connectChange(box, &QCheckBox::stateChanged);
    return carrier(box);
}

QLayoutItem* CWinMain::newScroll(QDomElement& item)
{
    const Qt::Orientation orientation =
        attr(item, u"orientation") == QLatin1String("horizontal") ? Qt::Horizontal : Qt::Vertical;
    auto* bar = new QScrollBar(orientation, controlParent);
    bar->setRange(intAttr(item, u"minvalue"), intAttr(item, u"maxvalue"));
    bar->setValue(intAttr(item, u"value"));
    bar->setSingleStep(1);
    bar->setFocusPolicy(Qt::StrongFocus);
    connectChange(bar, &QScrollBar::valueChanged);
    return carrier(bar);
}

QLayoutItem* CWinMain::newSeparator(QDomElement& item)
{
    auto* line = new QFrame(controlParent);
    line->setFrameShape(attr(item, u"orientation") == QLatin1String("horizontal") ? QFrame::HLine
                                                                                  : QFrame::VLine);
    return carrier(line);
}

QLayoutItem* CWinMain::newGridLayout(QDomElement&)
{
    return new QGridLayout();
}

QLayoutItem* CWinMain::newOnline(QDomElement& item)
{
    auto* view = new cOnlineView(controlParent);
    view->setFixedSize(fixedSize(item));
    return carrier(view);
}

QLayoutItem* CWinMain::newSpacer(QDomElement& item)
{
    if (attr(item, u"orientation") == QLatin1String("horizontal"))
        return new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    return new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
}

QLayoutItem* CWinMain::newTabWidget(QDomElement& item)
{
    auto* tabs = new QTabWidget(controlParent);
    for (QDomElement tab : childElements(item, u"tab")) {
        auto* page = new QWidget();
        tabs->addTab(page, substitute(childText(tab, u"name"), item));
        fillWidget(page, tab);
    }
    tabs->setCurrentIndex(childText(item, u"selection").toInt());
    return carrier(tabs);
}

QLayoutItem* CWinMain::newDateTime(QDomElement& item)
{
    auto* edit = new QDateTimeEdit(controlParent);
    if (attr(item, u"calendarPopup") == QLatin1String("on"))
        edit->setCalendarPopup(true);
    edit->setDisplayFormat(attr(item, u"format"));
    const QString key = firstKey(item);
    if (!key.isNull()) {
        // A time the device did not give (an empty key) starts at this
        // computer's, never at the edit's year-2000 default that a clock
        // button would then send.
        const QDateTime stored =
            QDateTime::fromString(setup->value(key), QStringLiteral("yyyyMMddHHmmss"));
        edit->setDateTime(stored.isValid() ? stored : QDateTime::currentDateTime());
    }
    connectChange(edit, &QDateTimeEdit::dateTimeChanged);
    return carrier(edit);
}

QLayoutItem* CWinMain::newPushButton(QDomElement& item)
{
    auto* button = new QPushButton(controlParent);
    applyButtonOptions(button, item);
    joinButtonGroup(button, item);
    connectChange(button, &QPushButton::clicked);
    return carrier(button);
}

void CWinMain::joinButtonGroup(QPushButton* button, const QDomElement& item)
{
    // A mode or level chosen by one of several buttons shows on them.
    const QString name = attr(item, u"group");
    if (name.isEmpty())
        return;
    QButtonGroup*& group = buttonGroups[name];
    if (!group)
        group = new QButtonGroup(this);
    button->setCheckable(true);
    group->addButton(button);
    // A stored choice (`checked_key` holding `checked_value`) wins over the
    // fixed one, which only applies while nothing else is chosen.
    const QString key = attr(item, u"checked_key");
    if (!key.isEmpty() && setup->value(key) == attr(item, u"checked_value"))
        button->setChecked(true);
    else if (!group->checkedButton())
        button->setChecked(attr(item, u"checked") == QLatin1String("true"));
}

QLayoutItem* CWinMain::newList(QDomElement& item)
{
    auto* tree = new QTreeWidget(controlParent);
    const QList<QDomElement> columns = childElements(item, u"column");
    tree->setColumnCount(int(columns.size()));
    QStringList labels;
    for (const QDomElement& column : columns)
        labels << column.text();
    tree->setHeaderLabels(labels);
    for (int i = 0; i < columns.size(); ++i)
        tree->setColumnWidth(i, columns.at(i).attribute(QStringLiteral("width")).toInt());

    QStringList sources;
    for (const QDomElement& source : childElements(item, u"column_source"))
        sources << source.text();

    QList<QTreeWidgetItem*> rows;
    const int columnCount = int(columns.size());
    if (columnCount > 0) {
        const QList<QDomElement> texts = childElements(item, u"text");
        for (int k = 0; k < texts.size(); ++k) {
            if (k % columnCount == 0)
                rows.append(new QTreeWidgetItem());
            rows.last()->setData(k % columnCount, Qt::DisplayRole, texts.at(k).text());
        }
    }
    // The row count comes from a device file; keep it to what a view can show.
    const int count = qBound(0, setup->value(childText(item, u"row_count")).toInt(), kMaxListRows);
    for (int r = 0; r < count; ++r) {
        auto* row = new QTreeWidgetItem();
        for (int i = 0; i < sources.size() && i < qMax(columnCount, 1); ++i) {
            if (!sources.at(i).isEmpty())
                row->setData(i, Qt::DisplayRole,
                             setup->value(QStringLiteral("%0%1").arg(sources.at(i)).arg(r)));
        }
        rows.append(row);
    }
    tree->addTopLevelItems(rows);
    tree->setAllColumnsShowFocus(true);
    tree->setRootIsDecorated(false);
    tree->setItemsExpandable(false);
    return carrier(tree);
}

QLayoutItem* CWinMain::newNbxPie(QDomElement& item)
{
    auto* pie = new NBXProgressPie(controlParent);
    if (item.hasAttribute(QStringLiteral("value")))
        pie->setProgress(intAttr(item, u"value"));
    return carrier(pie);
}

QLayoutItem* CWinMain::newProgressBar(QDomElement& item)
{
    auto* bar = new QProgressBar(controlParent);
    bar->setRange(intAttr(item, u"minvalue"), intAttr(item, u"maxvalue"));
    bar->setValue(intAttr(item, u"value"));
    return carrier(bar);
}

QLayoutItem* CWinMain::newSetup(QDomElement&)
{
    return carrier(new cSetupWidget(setup));
}

// --- update: settings into the control

void CWinMain::updateLabel(QDomElement& element, QWidget* widget)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(substitute(childText(element, u"text"), element));
}

void CWinMain::updateDropdown(QDomElement& element, QWidget* widget)
{
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (!combo)
        return;
    int i = 0;
    for (const QDomElement& key : childElements(element, u"key")) {
        const QString k = key.text();
        if (setup->value(k) == setup->defValue(k)) {
            combo->setCurrentIndex(i);
            return;
        }
        ++i;
    }
}

void CWinMain::updateEdit(QDomElement& element, QWidget* widget)
{
    auto* edit = qobject_cast<QLineEdit*>(widget);
    const QString key = firstKey(element);
    if (!edit || key.isNull())
        return;
    const QString v = setup->value(key);
    // A text that could not be stored stays for the user to correct, until
    // something else writes the key.
    if (editMarks.isRefused(edit) && v == editMarks.keptValue(edit))
        return;
    if (v != edit->text())
        edit->setText(v);
}

void CWinMain::updateCheckbox(QDomElement& element, QWidget* widget)
{
    auto* box = qobject_cast<QCheckBox*>(widget);
    if (!box)
        return;
    const QDomElement key = firstChild(element, u"key");
    if (!key.isNull()) {
        const QString v = setup->value(key.text());
        const bool checked = attr(key, u"default") == QLatin1String("off") ? v == attr(key, u"on")
                                                                           : v != attr(key, u"off");
        box->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    box->setText(substitute(childText(element, u"text"), element));
}

void CWinMain::updateScroll(QDomElement& element, QWidget* widget)
{
    auto* bar = qobject_cast<QScrollBar*>(widget);
    const QString key = firstKey(element);
    if (bar && !key.isNull())
        bar->setValue(setup->value(key).toInt());
}

void CWinMain::updateTabWidget(QDomElement& element, QWidget* widget)
{
    auto* tabs = qobject_cast<QTabWidget*>(widget);
    if (!tabs)
        return;
    int i = 0;
    for (const QDomElement& tab : childElements(element, u"tab"))
        tabs->setTabText(i++, substitute(childText(tab, u"name"), element));
}

void CWinMain::updatePushButton(QDomElement& element, QWidget* widget)
{
    if (auto* button = qobject_cast<QPushButton*>(widget))
        button->setText(substitute(childText(element, u"text"), element));
}

void CWinMain::updateProgressBar(QDomElement& element, QWidget* widget)
{
    auto* bar = qobject_cast<QProgressBar*>(widget);
    const QString key = firstKey(element);
    if (bar && !key.isNull())
        bar->setValue(setup->value(key).toInt());
}

void CWinMain::updateNbxPie(QDomElement& element, QWidget* widget)
{
    auto* pie = qobject_cast<NBXProgressPie*>(widget);
    if (!pie)
        return;
    const qint64 size = fromHumanReadable(substitute(childText(element, u"size"), element));
    const qint64 limit = substitute(childText(element, u"limit"), element).toLongLong();
    const qint64 used = fromHumanReadable(substitute(childText(element, u"used"), element));

    const qint64 total = (limit == 0 || size <= limit) ? size : limit;
    qint64 progress = 0;
    if (total != 0) {
        const qint64 shown = used < total ? used : total;
        // Sizes reach petabytes in mebibytes; keep the product in range.
        progress = shown <= std::numeric_limits<qint64>::max() / 100 ? shown * 100 / total
                                                                     : shown / (total / 100);
    }
    pie->setProgress(int(qBound(qint64(std::numeric_limits<int>::min()), progress,
                                qint64(std::numeric_limits<int>::max()))));
}

// --- act: the control's state into the settings, then its actions

// The assignment prefix for a control's key. A tail on the key is its default
// for reading only: appending the new value after it would store
// "default/value" and the control would read back something else.
QString CWinMain::writeKey(const QString& key) const
{
    return setup->path(key) + QLatin1Char('/');
}

void CWinMain::actDropdown(QDomElement& element, QWidget* widget)
{
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (!combo)
        return;
    const QString data = combo->itemData(combo->currentIndex()).toString();
    if (!data.isEmpty())
        setValue(data);
    if (!building && combo->isActiveWindow()) {
        const QDomNodeList keysets = element.elementsByTagName(QStringLiteral("keyset"));
        const int index = combo->currentIndex();
        if (index >= 0 && index < keysets.size()) {
            for (const QString& assignment : _split_key(keysets.item(index).toElement().text()))
                setValue(assignment);
        }
    }
    for (QDomElement action : childElements(element, u"action")) {
        if (attr(action, u"type") == QLatin1String("call"))
            commonCallProcessing(action);
    }
}

void CWinMain::actEdit(QDomElement& element, QWidget* widget)
{
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (!edit)
        return;
    const QString text = edit->text();
    const QString refusal = editRefusal(element, edit);
    if (!refusal.isEmpty()) {
        // Nothing is stored and nothing follows from the text.
        const QString key = firstKey(element);
        editMarks.refuse(edit, refusal, key.isNull() ? QString() : setup->value(key));
        return;
    }
    editMarks.clear(edit);
    for (const QDomElement& key : childElements(element, u"key"))
        setValue(writeKey(key.text()) + text);
    const QString wanted = text.isEmpty() ? QStringLiteral("empty") : QStringLiteral("filled");
    for (QDomElement action : childElements(element, u"action")) {
        if (attr(action, u"state") == wanted)
            processAction(widget, action);
    }
}

// Why the edit's text cannot be stored: its validator does not accept it, or
// a settings file could not store it so that it reads back. Empty when it
// can be stored.
QString CWinMain::editRefusal(const QDomElement& element, QLineEdit* edit)
{
    QString text = edit->text();
    int position = edit->cursorPosition();
    const auto* validator = edit->findChild<QValidator*>(QString(), Qt::FindDirectChildrenOnly);
    if (validator && validator->validate(text, position) != QValidator::Acceptable) {
        const QString hint = childText(element, u"validatorhint");
        return hint.isEmpty() ? tr("This text is not accepted here.")
                              : substitute(hint, QDomElement());
    }
    for (const QDomElement& key : childElements(element, u"key")) {
        const QString why = setup->storeRefusal(writeKey(key.text()) + edit->text());
        if (!why.isEmpty())
            return why;
    }
    return QString();
}

void CWinMain::actCheckbox(QDomElement& element, QWidget* widget)
{
    auto* box = qobject_cast<QCheckBox*>(widget);
    if (!box)
        return;
    const Qt::CheckState state = box->checkState();
    const QStringView side = state == Qt::Checked ? u"on" : u"off";
    for (const QDomElement& key : childElements(element, u"key"))
        setValue(writeKey(key.text()) + attr(key, side));
    if (state == Qt::PartiallyChecked)
        return;
    for (QDomElement action : childElements(element, u"action")) {
        if (attr(action, u"state") != side)
            continue;
        if (attr(action, u"type") == QLatin1String("call"))
            commonCallProcessing(action);
        else
            processAction(widget, action);
    }
}

void CWinMain::actScroll(QDomElement& element, QWidget* widget)
{
    auto* bar = qobject_cast<QScrollBar*>(widget);
    const QString key = firstKey(element);
    if (!bar)
        return;
    if (!key.isNull())
        setValue(writeKey(key) + QString::number(bar->value()));
    for (QDomElement action : childElements(element, u"action")) {
        if (attr(action, u"type") == QLatin1String("call"))
            commonCallProcessing(action);
    }
}

void CWinMain::actDateTime(QDomElement& element, QWidget* widget)
{
    auto* edit = qobject_cast<QDateTimeEdit*>(widget);
    const QString key = firstKey(element);
    if (edit && !key.isNull())
        setValue(writeKey(key) + edit->dateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
}

void CWinMain::actPushButton(QDomElement& element, QWidget* widget)
{
    if (signalledControl == widget)
        commonActionsProcessing(element);
}
