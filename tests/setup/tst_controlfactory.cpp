#include "setupharness.h"

#include "config/csetupwidget.h"
#include "host/nbxprogresspie.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Where a widget sits in the grid that holds it.
struct Cell
{
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    Qt::Alignment alignment;
};

Cell cellOf(QWidget* widget)
{
    Cell c;
    auto* grid = qobject_cast<QGridLayout*>(widget->parentWidget()->layout());
    if (!grid)
        return c;
    const int index = grid->indexOf(widget);
    if (index < 0)
        return c;
    grid->getItemPosition(index, &c.row, &c.column, &c.rowSpan, &c.columnSpan);
    c.alignment = grid->itemAt(index)->alignment();
    return c;
}

QList<QSpacerItem*> spacersOf(QGridLayout* grid)
{
    QList<QSpacerItem*> out;
    for (int i = 0; i < grid->count(); ++i)
        if (QSpacerItem* s = grid->itemAt(i)->spacerItem())
            out << s;
    return out;
}

} // namespace

class tst_ControlFactory : public QObject
{
    Q_OBJECT

private slots:
    void plainControlsWithTheirOptions();
    void listRows_data();
    void listRows();
    void groupShowsStoredChoice_data();
    void groupShowsStoredChoice();
    void commonOptions();
    void placementAlignmentAndStretch();
    void nestedGridsAndContainers();
    void unknownTypesAreReportedAndReplaced();
    void hugeGridIndexesAreClamped();
};

void tst_ControlFactory::plainControlsWithTheirOptions()
{
    SetupHarness h;
    h.build(SetupHarness::fixture("controls.xml"));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));

    auto* label = h.control<QLabel>("c_label");
    QVERIFY(label);
    QCOMPARE(label->alignment(), Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(label->text(), QStringLiteral("Plain"));

    auto* combo = h.control<QComboBox>("c_dropdown");
    QVERIFY(combo);
    QVERIFY(!combo->isEditable());
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(1), QStringLiteral("NTSC"));
    QCOMPARE(combo->itemData(1).toString(), QStringLiteral("general/video/mode/NTSC"));
    QCOMPARE(combo->itemData(2).toString(), QString()); // fewer keys than texts

    auto* edit = h.control<QLineEdit>("c_edit");
    QVERIFY(edit);
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    // The edit owns its validator without installing it, so that nothing
    // typed is ever dropped.
    QVERIFY(!edit->validator());
    const auto* validator = edit->findChild<QValidator*>();
    QVERIFY(validator);
    QString probe = QStringLiteral("12a");
    int pos = 0;
    QCOMPARE(validator->validate(probe, pos), QValidator::Invalid);
    probe = QStringLiteral("123");
    QCOMPARE(validator->validate(probe, pos), QValidator::Acceptable);

    auto* box = h.control<QCheckBox>("c_checkbox");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Box"));

    auto* scroll = h.control<QScrollBar>("c_scroll");
    QVERIFY(scroll);
    QCOMPARE(scroll->orientation(), Qt::Horizontal);
    QCOMPARE(scroll->minimum(), -5);
    QCOMPARE(scroll->maximum(), 50);
    QCOMPARE(scroll->value(), 7);
    QCOMPARE(scroll->singleStep(), 1);
    QCOMPARE(scroll->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(h.control<QScrollBar>("c_vscroll")->orientation(), Qt::Vertical);

    QCOMPARE(h.control<QFrame>("c_hline")->frameShape(), QFrame::HLine);
    QCOMPARE(h.control<QFrame>("c_vline")->frameShape(), QFrame::VLine);

    auto* online = h.control<QLabel>("c_online");
    QVERIFY(online);
    QCOMPARE(online->minimumSize(), QSize(320, 32));
    QCOMPARE(online->maximumSize(), QSize(320, 32));
    QCOMPARE(online->frameShape(), QFrame::StyledPanel);
    QVERIFY(online->hasScaledContents());

    auto* clock = h.control<QDateTimeEdit>("c_datetime");
    QVERIFY(clock);
    QVERIFY(clock->calendarPopup());
    QCOMPARE(clock->displayFormat(), QStringLiteral("dd.MM.yyyy hh:mm"));
    QCOMPARE(clock->dateTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));

    auto* red = h.control<QPushButton>("c_red");
    QVERIFY(red->isCheckable());
    QCOMPARE(red->text(), QStringLiteral("Red"));
    QCOMPARE(red->palette().color(QPalette::Inactive, QPalette::Button), QColor(Qt::red));
    auto* yellow = h.control<QPushButton>("c_yellow");
    QVERIFY(!yellow->isCheckable());
    QCOMPARE(yellow->palette().color(QPalette::Button),
             QPushButton().palette().color(QPalette::Button));

    // Buttons of a named group show the one chosen last, group by group.
    auto* modeA = h.control<QPushButton>("c_mode_a");
    auto* modeB = h.control<QPushButton>("c_mode_b");
    auto* level = h.control<QPushButton>("c_level");
    QVERIFY(modeA && modeB && level);
    QVERIFY(modeA->isCheckable() && !modeA->isChecked());
    QVERIFY(modeB->isChecked());
    QTest::mouseClick(modeA, Qt::LeftButton);
    QVERIFY(modeA->isChecked());
    QVERIFY(!modeB->isChecked());
    QVERIFY(level->isChecked());
    QTest::mouseClick(modeA, Qt::LeftButton);
    QVERIFY(modeA->isChecked()); // a chosen mode stays chosen

    // The pie's first update replaces its creation value with the computed share.
    QCOMPARE(h.control<NBXProgressPie>("c_pie")->progress(), 0);
    auto* bar = h.control<QProgressBar>("c_bar");
    QCOMPARE(bar->minimum(), 10);
    QCOMPARE(bar->maximum(), 20);
    QCOMPARE(bar->value(), 15);
    QCOMPARE(h.control<cSetupWidget>("c_setup")->setup(), &h.source);

    auto* tabs = h.control<QTabWidget>("c_tabs");
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("Inner B"));
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(h.control<QLabel>("c_inner")->parentWidget(), tabs->widget(1));

    // Spacers: horizontal 40x20; vertical and unspecified both 20x40.
    auto* grid = qobject_cast<QGridLayout*>(label->parentWidget()->layout());
    const QList<QSpacerItem*> spacers = spacersOf(grid);
    QCOMPARE(spacers.size(), 3);
    QCOMPARE(spacers.at(0)->sizeHint(), QSize(40, 20));
    QCOMPARE(spacers.at(0)->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(spacers.at(0)->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    for (int i : {1, 2}) {
        QCOMPARE(spacers.at(i)->sizeHint(), QSize(20, 40));
        QCOMPARE(spacers.at(i)->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    }
}

void tst_ControlFactory::listRows_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("rows"); // cells joined with "|"

    const QStringList fixed{"a|b|c", "d|e|f", "g||"};
    QTest::newRow("row_count missing: fixed rows only") << QByteArray() << fixed;
    QTest::newRow("row_count 0") << QByteArray("[ disks ]\ncount = 0\n") << fixed;
    QTest::newRow("two rows from settings, empty source skipped")
        << QByteArray("[ disks ]\ncount = 2\nname0 = sda\nkind0 = SATA\nname1 = sdb\n")
        << fixed + QStringList{"sda||SATA", "sdb||"};
}

// A choice kept in the settings shows on its button; without it (or with a
// value no button names) the fixed default does, in either button order.
void tst_ControlFactory::groupShowsStoredChoice_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("defaultFirst");
    QTest::addColumn<QString>("checked");

    for (bool first : {false, true}) {
        const QByteArray order = first ? " (default first)" : "";
        QTest::newRow("nothing stored" + order) << QByteArray() << first << "c_free";
        QTest::newRow("grid stored" + order)
            << QByteArray("[ cam ]\ntype = 1\n") << first << "c_grid";
        QTest::newRow("free stored" + order)
            << QByteArray("[ cam ]\ntype = 2\n") << first << "c_free";
        QTest::newRow("unknown value" + order)
            << QByteArray("[ cam ]\ntype = 7\n") << first << "c_free";
    }
}

void tst_ControlFactory::groupShowsStoredChoice()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, defaultFirst);
    QFETCH(QString, checked);
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("general"), h.write("general.ini", ini));
    const QByteArray grid = "<item type=\"pushbutton\" row=\"0\" group=\"t\" "
                            "checked_key=\"general/cam/type\" checked_value=\"1\"><c_grid/></item>";
    const QByteArray free = "<item type=\"pushbutton\" row=\"1\" group=\"t\" checked=\"true\" "
                            "checked_key=\"general/cam/type\" checked_value=\"2\"><c_free/></item>";
    h.build(SetupHarness::wrap("<tabwidget><tab><item type=\"gridlayout\">" +
                               (defaultFirst ? free + grid : grid + free) +
                               "</item></tab></tabwidget>"));
    for (const char* tag : {"c_grid", "c_free"})
        QCOMPARE(h.control<QPushButton>(tag)->isChecked(), checked == QLatin1String(tag));
}

void tst_ControlFactory::listRows()
{
    QFETCH(QByteArray, ini);
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("general"), h.write("general.ini", ini));
    h.build(SetupHarness::fixture("controls.xml"));
    auto* tree = h.control<QTreeWidget>("c_list");
    QVERIFY(tree);
    QCOMPARE(tree->columnCount(), 3);
    QCOMPARE(tree->headerItem()->text(2), QStringLiteral("Kind"));
    QCOMPARE(tree->columnWidth(0), 80);
    QVERIFY(!tree->rootIsDecorated());
    QVERIFY(tree->allColumnsShowFocus());
    QStringList rows;
    for (int r = 0; r < tree->topLevelItemCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 3; ++c)
            cells << tree->topLevelItem(r)->text(c);
        rows << cells.join('|');
    }
    QTEST(rows, "rows");
}

void tst_ControlFactory::commonOptions()
{
    SetupHarness h;
    h.build(SetupHarness::wrap("<tabwidget><tab><item type=\"gridlayout\">"
                               "<item type=\"label\" row=\"0\" width=\"120\" height=\"30\"><a/>"
                               "<tooltip>Port {general/net/port/80}</tooltip></item>"
                               "<item type=\"checkbox\" row=\"1\" textside=\"left\" enabled=\"no\" "
                               "visible=\"no\"><b/></item>"
                               "<item type=\"label\" row=\"2\" width=\"\"><c/></item>"
                               "</item></tab></tabwidget>"));
    QVERIFY(h.errorTexts().isEmpty());
    auto* a = h.control<QLabel>("a");
    QCOMPARE(a->toolTip(), QStringLiteral("Port 80"));
    QCOMPARE(a->minimumSize(), QSize(120, 30));
    QCOMPARE(a->sizePolicy(), QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed));
    auto* b = h.control<QCheckBox>("b");
    QCOMPARE(b->layoutDirection(), Qt::RightToLeft);
    QVERIFY(!b->isEnabled());
    QVERIFY(b->isHidden());
    auto* c = h.control<QLabel>("c");
    QCOMPARE(c->minimumSize(), QSize(0, 0));
    QVERIFY(c->isEnabled());
    // The tool tip follows its key.
    h.setValue(QStringLiteral("general/net/port/8080"));
    QCOMPARE(a->toolTip(), QStringLiteral("Port 8080"));
}

void tst_ControlFactory::placementAlignmentAndStretch()
{
    SetupHarness h;
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><item type=\"gridlayout\">"
        "<item type=\"label\" row=\"1\" column=\"2\" rowSpan=\"0\" columnSpan=\"3\""
        " alignment=\"center\" valign=\"bottom\"><a/></item>"
        "<item type=\"label\" row=\"x\" column=\"-0\"><b/></item>"
        "<stretch column=\"1\" row=\"2\">5</stretch>"
        "<stretch column=\"3\">2</stretch>"
        "</item></tab></tabwidget>"));
    QVERIFY(h.errorTexts().isEmpty());
    auto* a = h.control<QLabel>("a");
    const Cell ca = cellOf(a);
    QCOMPARE(ca.row, 1);
    QCOMPARE(ca.column, 2);
    QCOMPARE(ca.rowSpan, 1);
    QCOMPARE(ca.columnSpan, 3);
    QCOMPARE(ca.alignment, Qt::AlignHCenter | Qt::AlignBottom);
    const Cell cb = cellOf(h.control<QLabel>("b"));
    QCOMPARE(cb.row, 0);
    QCOMPARE(cb.column, 0);
    QCOMPARE(cb.alignment, Qt::AlignLeft | Qt::AlignVCenter);

    auto* grid = qobject_cast<QGridLayout*>(a->parentWidget()->layout());
    QCOMPARE(grid->columnStretch(1), 5);
    QCOMPARE(grid->rowStretch(2), 5);
    QCOMPARE(grid->columnStretch(3), 2);
    QCOMPARE(grid->rowStretch(3), 0);
}

void tst_ControlFactory::nestedGridsAndContainers()
{
    SetupHarness h;
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><item type=\"gridlayout\">"
        "<item type=\"gridlayout\" row=\"1\" column=\"1\">"
        "<item type=\"label\" row=\"0\" column=\"1\"><inner/></item>"
        "</item>"
        // A control holding a grid of its own children.
        "<item type=\"pushbutton\" row=\"2\"><holder/>"
        "<item type=\"gridlayout\"><item type=\"label\"><held/></item></item>"
        "<item type=\"gridlayout\"><item type=\"label\" row=\"1\"><held2/></item></item>"
        "</item>"
        "</item></tab></tabwidget>"));
    QVERIFY(h.errorTexts().isEmpty());
    auto* inner = h.control<QLabel>("inner");
    QVERIFY(inner);
    auto* page = inner->parentWidget();
    auto* outer = qobject_cast<QGridLayout*>(page->layout());
    QGridLayout* nested = nullptr;
    for (int i = 0; i < outer->count(); ++i)
        if (auto* g = qobject_cast<QGridLayout*>(outer->itemAt(i)->layout()))
            nested = g;
    QVERIFY(nested);
    QVERIFY(nested->indexOf(inner) >= 0);
    int r, c, rs, cs;
    outer->getItemPosition(outer->indexOf(nested), &r, &c, &rs, &cs);
    QCOMPARE(QPoint(c, r), QPoint(1, 1));

    auto* holder = h.control<QPushButton>("holder");
    QCOMPARE(h.control<QLabel>("held")->parentWidget(), holder);
    // A second grid under one widget joins the widget's grid.
    QCOMPARE(h.control<QLabel>("held2")->parentWidget(), holder);
}

void tst_ControlFactory::unknownTypesAreReportedAndReplaced()
{
    SetupHarness h;
    h.build(SetupHarness::wrap(
        "<tabwidget>"
        "<tab><item type=\"gridlayout\">"
        "<item type=\"Label\"><x/><text>stand-in</text></item>"
        "<item><y/></item>"
        "<item type=\"label\" row=\"1\"><after/></item>"
        "</item></tab>"
        "<tab><item type=\"label\"><z/></item>"
        "<item type=\"gridlayout\"><item type=\"label\"><lost/></item></item></tab>"
        "</tabwidget>"));
    const QStringList errors = h.errorTexts();
    QCOMPARE(errors.value(0), QStringLiteral("Unknown control type \"Label\""));
    QCOMPARE(errors.value(1), QStringLiteral("Unknown control type \"\""));
    QVERIFY(errors.contains(QStringLiteral("Unknown node type \"label\"")));
    // Stand-ins are labels; building went on after them.
    QVERIFY(h.control<QLabel>("x"));
    QVERIFY(h.control<QLabel>("y"));
    QVERIFY(h.control<QLabel>("after"));
    // Nothing of the page whose first item is not a grid.
    QCOMPARE(h.dialog->taggedObject("z"), nullptr);
    QCOMPARE(h.dialog->taggedObject("lost"), nullptr);
}

void tst_ControlFactory::hugeGridIndexesAreClamped()
{
    SetupHarness h;
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><item type=\"gridlayout\">"
        "<item type=\"label\" row=\"2000000000\" column=\"-7\" rowSpan=\"999999999\"><a/></item>"
        "<stretch row=\"2000000000\" column=\"-1\">3</stretch>"
        "</item></tab></tabwidget>"));
    auto* a = h.control<QLabel>("a");
    QVERIFY(a);
    const Cell c = cellOf(a);
    QCOMPARE(c.row, CWinMain::kMaxGridIndex - 1);
    QCOMPARE(c.column, 0);
    auto* grid = qobject_cast<QGridLayout*>(a->parentWidget()->layout());
    QVERIFY(grid->rowCount() <= 2 * CWinMain::kMaxGridIndex);
}

QTEST_MAIN(tst_ControlFactory)
#include "tst_controlfactory.moc"
