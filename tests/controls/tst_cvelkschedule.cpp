#include "../setup/setupharness.h"
#include "controls/cvelkschedule.h"
#include "controltesting.h"

#include <QtTest>

namespace {

using Path = QList<QPointF>; // in cells; outside the grid past its edges

const QStringList kDays = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};

struct Shown
{
    QWidget window;
    cVelkSchedule* schedule = new cVelkSchedule(&window);
    explicit Shown(QSize size, int rows = 7, int columns = 24)
    {
        for (int r = 0; r < rows; ++r)
            schedule->appendRow(kDays.value(r, QStringLiteral("Day")));
        for (int c = 0; c < columns; ++c)
            schedule->appendColumn(QString::number(c));
        schedule->setGeometry(QRect(QPoint(0, 0), size));
        window.resize(size);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("window not exposed");
    }
    // The centre of cell (c, r), which may lie off the grid.
    QPoint point(QPointF cell) const
    {
        const int side = schedule->cellSize();
        return schedule->gridRect().topLeft() +
               QPoint(int((cell.x() + 0.5) * side), int((cell.y() + 0.5) * side));
    }
    QList<QPoint> points(const Path& path) const
    {
        QList<QPoint> out;
        for (const QPointF& p : path)
            out << point(p);
        return out;
    }
};

QList<int> allBut(const QList<int>& cells)
{
    QList<int> out;
    for (int i = 0; i < 168; ++i)
        if (!cells.contains(i))
            out << i;
    return out;
}

// A crossed cell is drawn red, a plain one dark grey.
bool looksCrossed(const QImage& image, QPoint centre)
{
    const QColor c = image.pixelColor(centre);
    return c.red() > 100 && c.green() < 80;
}

} // namespace

class tst_cVelkSchedule : public QObject
{
    Q_OBJECT

private slots:
    void drags_data();
    void drags();
    void presets_data();
    void presets();
    void clicksFollowTheGridAfterAResize_data();
    void clicksFollowTheGridAfterAResize();
    void gridsWithoutCellsDoNothing_data();
    void gridsWithoutCellsDoNothing();
    void newLabelsOrFontMoveTheGrid();
    void outlineFramesTheGrid_data();
    void outlineFramesTheGrid();
    void hoursOfTheTimersFile();
};

void tst_cVelkSchedule::drags_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("crossed");
    QTest::addColumn<int>("button");
    QTest::addColumn<Path>("path");
    QTest::addColumn<QList<int>>("crossedCells");
    QTest::addColumn<int>("changes");

    struct Case
    {
        const char* name;
        bool crossed;
        Qt::MouseButton button;
        Path path;
        QList<int> cells;
        int changes = 1;
    };
    const QList<Case> cases = {
        {"left click crosses its cell", false, Qt::LeftButton, {{2, 3}}, {74}},
        {"right click clears its cell", true, Qt::RightButton, {{2, 3}}, allBut({74})},
        {"left drag crosses a rectangle",
         false,
         Qt::LeftButton,
         {{1, 1}, {3, 2}, {5, 3}},
         rectangle(24, 1, 1, 5, 3)},
        {"right drag clears a rectangle",
         true,
         Qt::RightButton,
         {{5, 3}, {1, 1}},
         allBut(rectangle(24, 1, 1, 5, 3))},
        {"back to the start cell leaves only that cell",
         false,
         Qt::LeftButton,
         {{1, 1}, {10, 5}, {20, 0}, {1, 1}},
         {25}},
        {"cells left behind return to their state at the press",
         true,
         Qt::RightButton,
         {{1, 1}, {10, 5}, {2, 2}},
         allBut(rectangle(24, 1, 1, 2, 2))},
        {"dragging out at the bottom right reaches the edge cells",
         false,
         Qt::LeftButton,
         {{20, 4}, {30, 12}},
         rectangle(24, 20, 4, 23, 6)},
        {"dragging out at the top left reaches the edge cells",
         false,
         Qt::LeftButton,
         {{3, 3}, {-4, -6}},
         rectangle(24, 0, 0, 3, 3)},
        {"a press left of the grid does nothing, nor moving into it",
         false,
         Qt::LeftButton,
         {{-2, 3}, {2, 3}, {5, 4}},
         {},
         0},
        {"a press on the hour labels does nothing",
         false,
         Qt::LeftButton,
         {{5, -1}, {5, 2}},
         {},
         0},
    };
    for (const QSize& size : {QSize(800, 300), QSize(420, 260)})
        for (const Case& c : cases)
            QTest::addRow("%s at %dx%d", c.name, size.width(), size.height())
                << size << c.crossed << int(c.button) << c.path << c.cells << c.changes;
}

void tst_cVelkSchedule::drags()
{
    QFETCH(QSize, size);
    QFETCH(bool, crossed);
    QFETCH(int, button);
    QFETCH(Path, path);
    QFETCH(QList<int>, crossedCells);
    QFETCH(int, changes);

    Shown shown(size);
    shown.schedule->setValue(QVector<int>(168, crossed ? 1 : 0));
    QSignalSpy changed(shown.schedule, &cVelkSchedule::valueChanged);
    drag(shown.schedule, Qt::MouseButton(button), shown.points(path));
    QCOMPARE(indexesOf(shown.schedule->value(), 1), crossedCells);
    QCOMPARE(changed.count(), changes);
}

void tst_cVelkSchedule::presets_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QList<int>>("on");

    QList<int> workdays, withSaturday;
    for (int day = 0; day < 6; ++day) {
        if (day < 5)
            workdays << rectangle(24, 9, day, 18, day);
        withSaturday << rectangle(24, 8, day, 23, day);
    }
    QTest::newRow("Monday to Friday, 9 to 18: 50 hours") << "MoFr9_18" << workdays;
    QTest::newRow("Monday to Saturday, 8 to 23: 96 hours") << "MoSa8_23" << withSaturday;
    QTest::newRow("every hour: 168") << "MoSu0_23" << range(0, 167);
    QTest::newRow("any other text: none") << "weekends" << QList<int>{};
    QTest::newRow("empty text: none") << "" << QList<int>{};
}

void tst_cVelkSchedule::presets()
{
    QFETCH(QString, preset);
    QFETCH(QList<int>, on);

    Shown shown(QSize(800, 300));
    shown.schedule->setValue(QVector<int>(168, 0));
    QSignalSpy changed(shown.schedule, &cVelkSchedule::valueChanged);
    // Reached by name, as a description's call reaches it.
    QVERIFY(QMetaObject::invokeMethod(shown.schedule, "setSchedule", Q_ARG(QString, preset)));
    QCOMPARE(indexesOf(shown.schedule->value(), 0), on);
    QCOMPARE(changed.count(), 1);
}

void tst_cVelkSchedule::clicksFollowTheGridAfterAResize_data()
{
    QTest::addColumn<QSize>("before");
    QTest::addColumn<QSize>("after");

    QTest::newRow("taller: the grid moves down") << QSize(800, 300) << QSize(800, 380);
    QTest::newRow("wider: the grid moves right") << QSize(800, 200) << QSize(900, 200);
}

void tst_cVelkSchedule::clicksFollowTheGridAfterAResize()
{
    QFETCH(QSize, before);
    QFETCH(QSize, after);

    Shown shown(before);
    shown.schedule->grab();
    const QRect old = shown.schedule->gridRect();
    shown.window.resize(after);
    shown.schedule->resize(after);
    QCOMPARE(shown.schedule->cellSize(), old.height() / 7);
    QVERIFY(shown.schedule->gridRect().topLeft() != old.topLeft());

    // Right after the resize, before anything is painted at the new size.
    const QPoint target = shown.point(QPointF(5, 2));
    QTest::mouseClick(shown.schedule, Qt::LeftButton, Qt::NoModifier, target);
    QCOMPARE(indexesOf(shown.schedule->value(), 1), QList<int>{2 * 24 + 5});
    const QImage image = shown.schedule->grab().toImage();
    QVERIFY(looksCrossed(image, target));
    QVERIFY(!looksCrossed(image, shown.point(QPointF(6, 2))));
}

void tst_cVelkSchedule::gridsWithoutCellsDoNothing_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QSize>("size");

    QTest::newRow("no rows") << 0 << 24 << QSize(800, 300);
    QTest::newRow("no columns") << 7 << 0 << QSize(800, 300);
    QTest::newRow("neither") << 0 << 0 << QSize(800, 300);
    QTest::newRow("smaller than its labels") << 7 << 24 << QSize(20, 12);
}

// Such a grid has no cell size: it draws and hits nothing, and a preset
// only reports the change.
void tst_cVelkSchedule::gridsWithoutCellsDoNothing()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QSize, size);

    Shown shown(size, rows, columns);
    QSignalSpy changed(shown.schedule, &cVelkSchedule::valueChanged);
    shown.schedule->grab();
    QVERIFY(shown.schedule->gridRect().isEmpty());
    drag(shown.schedule, Qt::LeftButton,
         {QPoint(1, 1), QPoint(size.width() / 2, size.height() / 2)});
    QCOMPARE(changed.count(), 0);
    QVERIFY(indexesOf(shown.schedule->value(), 1).isEmpty());
    shown.schedule->setSchedule(QStringLiteral("MoFr9_18"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(shown.schedule->value().size(), rows * columns);
}

// What is measured once per size is measured again when what it depends
// on changes: clicks then still land on the cells under the pointer.
void tst_cVelkSchedule::newLabelsOrFontMoveTheGrid()
{
    Shown shown(QSize(800, 300));
    shown.schedule->grab();
    const QRect before = shown.schedule->gridRect();

    QFont large = shown.schedule->font();
    large.setPixelSize(40);
    shown.schedule->setFont(large);
    const QRect withFont = shown.schedule->gridRect();
    QVERIFY(withFont.top() > before.top());

    shown.schedule->appendRow(QStringLiteral("A much longer weekday"));
    shown.schedule->setValue(QVector<int>(8 * 24, 0));
    const QRect withRow = shown.schedule->gridRect();
    QVERIFY(withRow.left() > withFont.left());
    QCOMPARE(withRow.height(), 8 * shown.schedule->cellSize());

    const QPoint target = shown.point(QPointF(23, 7));
    QTest::mouseClick(shown.schedule, Qt::LeftButton, Qt::NoModifier, target);
    QCOMPARE(indexesOf(shown.schedule->value(), 1), QList<int>{7 * 24 + 23});
    QVERIFY(looksCrossed(shown.schedule->grab().toImage(), target));
}

void tst_cVelkSchedule::hoursOfTheTimersFile()
{
    SetupHarness h;
    // Monday: 0:00 on, 1:00 off, 2:00 unreadable; every other hour missing.
    h.source.setFilePath(QStringLiteral("timers"),
                         h.write("timers.ini", "[ monday ]\nh0 = 1\nh1 = 0\nh2 = 'x'\n"));
    QByteArray columns, rows;
    for (int c = 0; c < 24; ++c)
        columns += "<column>" + QByteArray::number(c) + "</column>";
    for (const QString& day : kDays)
        rows += "<row>" + day.toUtf8() + "</row>";
    h.build(SetupHarness::wrap("<tabwidget><tab><name>Schedule</name><item type=\"gridlayout\">"
                               "<item type=\"velkschedule\" row=\"0\" column=\"0\" height=\"300\">"
                               "<week/>" +
                               columns + rows + "</item></item></tab></tabwidget>"));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
    auto* schedule = h.control<cVelkSchedule>("week");
    QVERIFY(schedule);
    // Only the hour stored as on is plain; a missing or unreadable one is off.
    QCOMPARE(indexesOf(schedule->value(), 0), QList<int>{0});

    // The build's act wrote every hour, 1 for on.
    for (int day = 0; day < 7; ++day)
        for (int hour = 0; hour < 24; ++hour) {
            const QString key = QStringLiteral("timers/%1/h%2")
                                    .arg(QStringList{"monday", "tuesday", "wednesday", "thursday",
                                                     "friday", "saturday", "sunday"}[day])
                                    .arg(hour);
            QCOMPARE(h.value(key + "/missing"), day == 0 && hour == 0 ? "1" : "0");
        }

    // A preset is stored as soon as it is chosen.
    QMetaObject::invokeMethod(schedule, "setSchedule", Q_ARG(QString, QStringLiteral("MoFr9_18")));
    QCOMPARE(h.value("timers/friday/h18"), QStringLiteral("1"));
    QCOMPARE(h.value("timers/friday/h19"), QStringLiteral("0"));
    QCOMPARE(h.value("timers/saturday/h10"), QStringLiteral("0"));

    // Another writer of the timers refreshes the grid.
    h.setValue(QStringLiteral("timers/wednesday/h9/0"));
    QCOMPARE(schedule->value().at(2 * 24 + 9), 1);
}

void tst_cVelkSchedule::outlineFramesTheGrid_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("wide") << QSize(800, 300);
    QTest::newRow("odd size") << QSize(333, 161);
    QTest::newRow("resized smaller") << QSize(120, 60);
}

// A one-pixel white line runs just outside the cells' right and bottom
// edges and over their left and top edges, all the way round, after any
// resize; the pixels beyond it keep the background.
void tst_cVelkSchedule::outlineFramesTheGrid()
{
    QFETCH(QSize, size);
    Shown shown(QSize(500, 200));
    shown.schedule->grab();
    shown.window.resize(size);
    shown.schedule->resize(size);
    const QImage image = shown.schedule->grab().toImage();
    const QRect grid = shown.schedule->gridRect();
    const QRect line(grid.topLeft(), grid.size() + QSize(1, 1));
    const QColor background = image.pixelColor(line.topLeft() - QPoint(1, 1));
    QVERIFY(background != QColor(Qt::white));
    for (int x = line.left(); x <= line.right(); ++x) {
        for (int y : {line.top(), line.bottom()}) {
            QCOMPARE(image.pixelColor(x, y), QColor(Qt::white));
            const int outside = y == line.top() ? y - 1 : y + 1;
            if (x > line.left() && x < line.right() && outside < image.height())
                QCOMPARE(image.pixelColor(x, outside), background);
        }
    }
    for (int y = line.top(); y <= line.bottom(); ++y) {
        for (int x : {line.left(), line.right()})
            QCOMPARE(image.pixelColor(x, y), QColor(Qt::white));
    }
}

QTEST_MAIN(tst_cVelkSchedule)
#include "tst_cvelkschedule.moc"
