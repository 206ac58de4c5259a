#include "../setup/setupharness.h"
#include "controls/cmaskedimage.h"
#include "controltesting.h"

#include <QGridLayout>
#include <QPainter>
#include <QtTest>

namespace {

using Path = QList<QPointF>; // in cells; outside 0 ... count - 1 is off the widget

const QList<QSize> kSizes = {QSize(200, 100), QSize(317, 233)};

// The centre of cell (c, r) of a 10 x 10 grid, for any widget size.
QList<QPoint> pixels(const QWidget* w, const Path& path)
{
    QList<QPoint> out;
    for (const QPointF& p : path)
        out << at(w, QPointF((p.x() + 0.5) / 10, (p.y() + 0.5) / 10));
    return out;
}

QList<int> allBut(const QList<int>& cells)
{
    QList<int> out;
    for (int i = 0; i < 100; ++i)
        if (!cells.contains(i))
            out << i;
    return out;
}

struct Shown
{
    QWidget window;
    cMaskedImage* mask = new cMaskedImage(&window);
    explicit Shown(QSize size, int columns = 10, int rows = 10)
    {
        mask->setArray(columns, rows);
        mask->setGeometry(QRect(QPoint(0, 0), size));
        window.resize(size + QSize(40, 40));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("window not exposed");
    }
};

QColor over(QColor base, QColor layer)
{
    const double a = layer.alphaF();
    return QColor(int(layer.red() * a + base.red() * (1 - a) + 0.5),
                  int(layer.green() * a + base.green() * (1 - a) + 0.5),
                  int(layer.blue() * a + base.blue() * (1 - a) + 0.5));
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) <= 2 && qAbs(a.green() - b.green()) <= 2 &&
           qAbs(a.blue() - b.blue()) <= 2;
}

} // namespace

class tst_cMaskedImage : public QObject
{
    Q_OBJECT

private slots:
    void drags_data();
    void drags();
    void valueText_data();
    void valueText();
    void decoding_data();
    void decoding();
    void clearAndFill_data();
    void clearAndFill();
    void gridsWithoutCellsDoNothing_data();
    void gridsWithoutCellsDoNothing();
    void markedCellsShowTheTintedPicture();
    void boundToAKeyInTheDialog();
};

void tst_cMaskedImage::drags_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<int>("button");
    QTest::addColumn<Path>("path");
    QTest::addColumn<QList<int>>("marked");

    struct Case
    {
        const char* name;
        bool filled;
        Qt::MouseButton button;
        Path path;
        QList<int> marked;
    };
    const QList<Case> cases = {
        {"left click marks its cell", false, Qt::LeftButton, {{2, 3}}, {32}},
        {"right click unmarks its cell", true, Qt::RightButton, {{2, 3}}, allBut({32})},
        {"middle click unmarks too", true, Qt::MiddleButton, {{0, 0}}, allBut({0})},
        {"left drag marks a rectangle",
         false,
         Qt::LeftButton,
         {{1, 1}, {2, 2}, {3, 2}},
         rectangle(10, 1, 1, 3, 2)},
        {"right drag unmarks a rectangle",
         true,
         Qt::RightButton,
         {{3, 2}, {1, 1}},
         allBut(rectangle(10, 1, 1, 3, 2))},
        {"back to the start cell leaves only that cell",
         false,
         Qt::LeftButton,
         {{1, 1}, {4, 4}, {6, 2}, {1, 1}},
         {11}},
        {"cells left behind return to their state at the press",
         true,
         Qt::RightButton,
         {{1, 1}, {5, 5}, {2, 2}},
         allBut(rectangle(10, 1, 1, 2, 2))},
        {"dragging out at the bottom right reaches the edge cells",
         false,
         Qt::LeftButton,
         {{7, 7}, {15, 20}},
         rectangle(10, 7, 7, 9, 9)},
        {"dragging out at the top left reaches the edge cells",
         false,
         Qt::LeftButton,
         {{2, 2}, {-5, -3}},
         rectangle(10, 0, 0, 2, 2)},
        {"a press left of the picture starts at the edge cell",
         false,
         Qt::LeftButton,
         {{-3, 4}, {2, 4}},
         rectangle(10, 0, 4, 2, 4)},
        {"a press below the picture starts at the edge cell",
         false,
         Qt::LeftButton,
         {{5, 12}},
         {95}},
    };
    for (const QSize& size : kSizes)
        for (const Case& c : cases)
            QTest::addRow("%s at %dx%d", c.name, size.width(), size.height())
                << size << c.filled << int(c.button) << c.path << c.marked;
}

void tst_cMaskedImage::drags()
{
    QFETCH(QSize, size);
    QFETCH(bool, filled);
    QFETCH(int, button);
    QFETCH(Path, path);
    QFETCH(QList<int>, marked);

    Shown shown(size);
    if (filled)
        shown.mask->setText(QStringLiteral("fill"));
    QSignalSpy changed(shown.mask, &cMaskedImage::valueChanged);
    drag(shown.mask, Qt::MouseButton(button), pixels(shown.mask, path));
    QCOMPARE(indexesOf(shown.mask->cells(), 1), marked);
    QCOMPARE(changed.count(), 1);
}

void tst_cMaskedImage::valueText_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("marked");
    QTest::addColumn<QString>("text");

    QTest::newRow("no cell of 10 x 10 takes 13 bytes")
        << 10 << 10 << QList<int>{} << QString(26, QLatin1Char('0'));
    QTest::newRow("cells 0 and 9")
        << 10 << 10 << QList<int>{0, 9} << QStringLiteral("0102") + QString(22, QLatin1Char('0'));
    QTest::newRow("cell 99 is bit 3 of the last byte")
        << 10 << 10 << QList<int>{99} << QString(24, QLatin1Char('0')) + QStringLiteral("08");
    QTest::newRow("every cell") << 10 << 10 << range(0, 99)
                                << QString(24, QLatin1Char('f')) + QStringLiteral("0f");
    QTest::newRow("3 x 3 needs a second byte for its last cell")
        << 3 << 3 << QList<int>{8} << QStringLiteral("0001");
    QTest::newRow("digits are lower case")
        << 3 << 3 << QList<int>{1, 3, 5, 7} << QStringLiteral("aa00");
}

// Cells marked by clicking read as the text, and the text reads back as
// those cells.
void tst_cMaskedImage::valueText()
{
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(QList<int>, marked);
    QFETCH(QString, text);

    Shown shown(QSize(40 * columns, 20 * rows), columns, rows);
    for (int i : marked)
        QTest::mouseClick(shown.mask, Qt::LeftButton, Qt::NoModifier,
                          QPoint(40 * (i % columns) + 20, 20 * (i / columns) + 10));
    QCOMPARE(shown.mask->value(), text);

    cMaskedImage other;
    other.setArray(columns, rows);
    other.setValue(text);
    QCOMPARE(indexesOf(other.cells(), 1), marked);
}

void tst_cMaskedImage::decoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("marked");

    const QString zeros24(24, QLatin1Char('0'));
    QTest::newRow("empty text unmarks every cell") << QString() << QList<int>{};
    QTest::newRow("short text leaves the other cells unmarked") << "ff" << range(0, 7);
    QTest::newRow("long text: bytes past the cells are ignored")
        << QStringLiteral("01") + zeros24 + QStringLiteral("ffffffff") << QList<int>{0};
    QTest::newRow("invalid pair reads as 0") << "zz01" << QList<int>{8};
    QTest::newRow("half valid pair reads as 0") << "0g01" << QList<int>{8};
    QTest::newRow("a sign is no digit") << "-1" << QList<int>{};
    QTest::newRow("a blank is no digit") << " f0f" << QList<int>{8, 9, 10, 11};
    QTest::newRow("upper-case digits") << "FF" << range(0, 7);
    QTest::newRow("a lone last digit is its own value")
        << zeros24 + QStringLiteral("8") << QList<int>{99};
}

void tst_cMaskedImage::decoding()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, marked);

    cMaskedImage mask;
    mask.setArray(10, 10);
    mask.setText(QStringLiteral("fill"));
    QSignalSpy changed(&mask, &cMaskedImage::valueChanged);
    mask.setValue(text);
    QCOMPARE(indexesOf(mask.cells(), 1), marked);
    QCOMPARE(changed.count(), 0);
}

void tst_cMaskedImage::clearAndFill_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("marked");

    QTest::newRow("clear") << "clear" << QList<int>{};
    QTest::newRow("fill") << "fill" << range(0, 99);
    QTest::newRow("anything else keeps the cells") << "invert" << QList<int>{0, 9};
}

void tst_cMaskedImage::clearAndFill()
{
    QFETCH(QString, command);
    QFETCH(QList<int>, marked);

    cMaskedImage mask;
    mask.setArray(10, 10);
    mask.setValue(QStringLiteral("0102"));
    QSignalSpy changed(&mask, &cMaskedImage::valueChanged);
    // Reached by name, as a description's call reaches it.
    QVERIFY(QMetaObject::invokeMethod(&mask, "setText", Q_ARG(QString, command)));
    QCOMPARE(indexesOf(mask.cells(), 1), marked);
    QCOMPARE(changed.count(), 1);
}

void tst_cMaskedImage::gridsWithoutCellsDoNothing_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("text");

    QTest::newRow("no columns") << 0 << 10 << QSize(200, 100) << QString();
    QTest::newRow("no rows") << 10 << 0 << QSize(200, 100) << QString();
    QTest::newRow("negative sides") << -1 << -1 << QSize(200, 100) << QString();
    QTest::newRow("narrower than its columns")
        << 10 << 10 << QSize(5, 100) << QString(26, QLatin1Char('0'));
    QTest::newRow("lower than its rows")
        << 10 << 10 << QSize(200, 5) << QString(26, QLatin1Char('0'));
}

// Such a grid has no cell size: it shows no cell and no press hits one.
void tst_cMaskedImage::gridsWithoutCellsDoNothing()
{
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(QSize, size);
    QFETCH(QString, text);

    Shown shown(size, columns, rows);
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::white);
    shown.mask->setImage(picture);
    QSignalSpy changed(shown.mask, &cMaskedImage::valueChanged);
    shown.mask->grab();
    drag(shown.mask, Qt::LeftButton, {QPoint(2, 2), QPoint(size.width() - 1, size.height() - 1)});
    QCOMPARE(changed.count(), 0);
    QCOMPARE(shown.mask->value(), text);
    shown.mask->setValue(QStringLiteral("ffff"));
    shown.mask->setText(QStringLiteral("fill"));
    shown.mask->grab();
}

void tst_cMaskedImage::markedCellsShowTheTintedPicture()
{
    // Left half red, right half blue, at half the widget's size.
    QImage picture(100, 100, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 40));
    QPainter(&picture).fillRect(50, 0, 50, 100, QColor(40, 40, 200));

    Shown shown(QSize(200, 200));
    shown.mask->setPixmap(QPixmap::fromImage(picture));
    QTest::mouseClick(shown.mask, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseClick(shown.mask, Qt::LeftButton, Qt::NoModifier, QPoint(190, 10));

    const QColor tint(0, 16, 0, 192);
    QImage image = shown.mask->grab().toImage();
    QVERIFY(near(image.pixelColor(10, 10), over(QColor(200, 40, 40), tint)));
    QVERIFY(near(image.pixelColor(190, 10), over(QColor(40, 40, 200), tint)));
    QVERIFY(near(image.pixelColor(30, 30), QColor(200, 40, 40)));
    QVERIFY(near(image.pixelColor(190, 190), QColor(40, 40, 200)));
    // The grid line between the first two cells.
    QVERIFY(near(image.pixelColor(20, 30), over(QColor(200, 40, 40), QColor(0, 0, 0, 128))));

    shown.mask->setEnabled(false);
    image = shown.mask->grab().toImage();
    QVERIFY(near(image.pixelColor(30, 30), over(QColor(200, 40, 40), QColor(128, 128, 128, 192))));
}

void tst_cMaskedImage::boundToAKeyInTheDialog()
{
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("streams"),
                         h.write("streams.ini", "[ motion ]\nmask = '0102'\n"));
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><name>Live</name><item type=\"gridlayout\">"
        "<item type=\"maskctrl\" row=\"0\" column=\"0\" ctrlColumns=\"10\" ctrlRows=\"10\">"
        "<mask/><key>streams/motion/mask</key></item>"
        "<item type=\"maskctrl\" row=\"1\" column=\"0\" ctrlColumns=\"\"><empty/></item>"
        "<item type=\"maskctrl\" row=\"2\" column=\"0\" ctrlRows=\"4\"><four/></item>"
        "</item></tab></tabwidget>"));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));

    auto* mask = h.control<cMaskedImage>("mask");
    QVERIFY(mask);
    QCOMPARE(indexesOf(mask->cells(), 1), (QList<int>{0, 9}));
    QCOMPARE(h.control<cMaskedImage>("empty")->columnCount(), 0);
    QCOMPARE(h.control<cMaskedImage>("four")->columnCount(), 10);
    QCOMPARE(h.control<cMaskedImage>("four")->rowCount(), 4);

    // A fill reached by name, as a button's call does, is stored at once.
    QMetaObject::invokeMethod(mask, "setText", Q_ARG(QString, QStringLiteral("fill")));
    QCOMPARE(h.value("streams/motion/mask"), QString(24, QLatin1Char('f')) + QStringLiteral("0f"));
    // Another writer of the key refreshes the control.
    h.setValue(QStringLiteral("streams/motion/mask/08"));
    QCOMPARE(indexesOf(mask->cells(), 1), (QList<int>{3}));
}

QTEST_MAIN(tst_cMaskedImage)
#include "tst_cmaskedimage.moc"
