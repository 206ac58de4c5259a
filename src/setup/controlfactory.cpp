// Turning `item` elements into widgets and grid layouts.
#include "cwinmain.h"

#include <QGridLayout>
#include <QLabel>
#include <QLayoutItem>

namespace {

// Qt grows a grid to any index it is given, so a description could make it
// allocate without bound; cells and spans stay inside a sane grid.
int cell(const QDomElement& item, const QString& name)
{
    return qBound(0, item.attribute(name).toInt(), CWinMain::kMaxGridIndex - 1);
}

// 0 and absent mean one cell; -1 keeps Qt's meaning of "to the last one".
int span(const QDomElement& item, const QString& name)
{
    const int n = item.attribute(name).toInt();
    if (n == -1)
        return -1;
    return qBound(1, n, CWinMain::kMaxGridIndex);
}

bool validIndex(const QString& text)
{
    const int n = text.toInt();
    return !text.isEmpty() && n >= 0 && n < CWinMain::kMaxGridIndex;
}

} // namespace

QLayoutItem* CWinMain::newControl(QDomElement& item)
{
    const QString type = item.attribute(QStringLiteral("type"));
    const ControlType* row = controlType(type);
    QLayoutItem* result = nullptr;
    if (row) {
        result = (this->*row->create)(item);
    } else {
        emit pseudothrow(tr("Unknown control type \"%1\"").arg(type));
        result = newLabel(item);
    }
    if (QWidget* widget = result->widget()) {
        setCommonControlOptions(widget, item);
        fillWidget(widget, item);
        registerKeyForLink(item);
        pendingControls.append(item);
    }
    return result;
}

void CWinMain::fillWidget(QWidget* widget, QDomElement& element)
{
    for (QDomElement item = element.firstChildElement(QStringLiteral("item")); !item.isNull();
         item = item.nextSiblingElement(QStringLiteral("item"))) {
        const QString type = item.attribute(QStringLiteral("type"));
        if (type != QLatin1String("gridlayout")) {
            emit pseudothrow(tr("Unknown node type \"%1\"").arg(type));
            return;
        }
        // A widget holds one layout; further grids add their items to it
        // rather than leaving their widgets without a parent.
        QGridLayout* grid = qobject_cast<QGridLayout*>(widget->layout());
        if (!grid) {
            delete widget->layout();
            grid = new QGridLayout(widget);
        }
        fillGridLayout(*grid, item);
    }
}

void CWinMain::fillGridLayout(QGridLayout& grid, QDomElement& element)
{
    for (QDomElement item = element.firstChildElement(QStringLiteral("item")); !item.isNull();
         item = item.nextSiblingElement(QStringLiteral("item"))) {
        const Qt::Alignment alignment = itemAlighment(item);
        const int row = cell(item, QStringLiteral("row"));
        const int column = cell(item, QStringLiteral("column"));
        const int rowSpan = span(item, QStringLiteral("rowSpan"));
        const int columnSpan = span(item, QStringLiteral("columnSpan"));

        QWidget* const outerParent = controlParent;
        controlParent = grid.parentWidget();
        QLayoutItem* result = newControl(item);
        controlParent = outerParent;
        if (QWidget* widget = result->widget()) {
            grid.addWidget(widget, row, column, rowSpan, columnSpan, alignment);
            delete result; // only the carrier; the grid holds the widget now
        } else if (QGridLayout* nested = qobject_cast<QGridLayout*>(result->layout())) {
            grid.addLayout(nested, row, column, rowSpan, columnSpan, alignment);
            fillGridLayout(*nested, item);
        } else {
            grid.addItem(result, row, column, rowSpan, columnSpan, alignment);
        }
    }

    for (QDomElement stretch = element.firstChildElement(QStringLiteral("stretch"));
         !stretch.isNull(); stretch = stretch.nextSiblingElement(QStringLiteral("stretch"))) {
        const int factor = stretch.text().toInt();
        const QString column = stretch.attribute(QStringLiteral("column"));
        const QString row = stretch.attribute(QStringLiteral("row"));
        if (validIndex(column))
            grid.setColumnStretch(column.toInt(), factor);
        if (validIndex(row))
            grid.setRowStretch(row.toInt(), factor);
    }
}

void CWinMain::setCommonControlOptions(QWidget* widget, QDomElement& element)
{
    annotate(widget, element);

    const QString tooltip = element.firstChildElement(QStringLiteral("tooltip")).text();
    if (!tooltip.isEmpty())
        widget->setToolTip(substitute(tooltip, element));
    widget->setSizePolicy(itemSizePolicy(element));

    const QString width = element.attribute(QStringLiteral("width"));
    if (!width.isEmpty())
        widget->setMinimumWidth(width.toInt());
    const QString height = element.attribute(QStringLiteral("height"));
    if (!height.isEmpty())
        widget->setMinimumHeight(height.toInt());
    if (element.attribute(QStringLiteral("textside")) == QLatin1String("left"))
        widget->setLayoutDirection(Qt::RightToLeft);
    if (element.attribute(QStringLiteral("enabled")) == QLatin1String("no"))
        widget->setEnabled(false);
    if (element.attribute(QStringLiteral("visible")) == QLatin1String("no"))
        widget->setVisible(false);
}

Qt::Alignment CWinMain::itemAlighment(QDomElement& element)
{
    static const QHash<QString, Qt::Alignment> horizontal = {
        {QStringLiteral("right"), Qt::AlignRight},
        {QStringLiteral("center"), Qt::AlignHCenter},
    };
    static const QHash<QString, Qt::Alignment> vertical = {
        {QStringLiteral("bottom"), Qt::AlignBottom},
        {QStringLiteral("top"), Qt::AlignTop},
    };
    return horizontal.value(element.attribute(QStringLiteral("alignment")), Qt::AlignLeft) |
           vertical.value(element.attribute(QStringLiteral("valign")), Qt::AlignVCenter);
}

QSizePolicy CWinMain::itemSizePolicy(QDomElement&)
{
    return QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}
