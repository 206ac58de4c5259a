// The dialog's window on the screen: its size and place, pages that scroll
// when they do not fit, and the keyboard focus it starts with.
#include "setupharness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QtTest>

class tst_WindowFit : public QObject
{
    Q_OBJECT
private slots:
    void fitsTheScreen_data();
    void fitsTheScreen();
    void staysOnScreenOverAParentAtTheEdge();
    void okBeforeCancelAndFirstControlFocused();
    void scrolledPagesKeepSelectionAndFocus_data();
    void scrolledPagesKeepSelectionAndFocus();
};

namespace {

// A page of `rows` labelled edits.
QByteArray pageOfEdits(int rows)
{
    QByteArray items;
    for (int r = 0; r < rows; ++r)
        items += "<item type=\"label\" row=\"" + QByteArray::number(r) + "\"><text>Field " +
                 QByteArray::number(r) + "</text></item><item type=\"edit\" column=\"1\" row=\"" +
                 QByteArray::number(r) + "\"><key>general/page/f" + QByteArray::number(r) +
                 "</key></item>";
    return "<tabwidget><tab><name>Many</name><item type=\"gridlayout\">" + items +
           "</item></tab><tab><name>Other</name></tab></tabwidget>";
}

QByteArray windowOfSize(int width, int height)
{
    return "<window><width>" + QByteArray::number(width) + "</width><height>" +
           QByteArray::number(height) + "</height></window>";
}

} // namespace

void tst_WindowFit::fitsTheScreen_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QSize>("size"); // invalid: bounded by the screen
    // The dialog is as tall as the screen lets it be.
    QTest::addColumn<bool>("fullHeight");

    QTest::newRow("small description, centred")
        << windowOfSize(300, 200) << QSize(300, 200) << false;
    QTest::newRow("description larger than the screen")
        << windowOfSize(4000, 3000) << QSize() << true;
    QTest::newRow("minimum width larger than the screen")
        << QByteArray("<window width=\"5000\"/>") << QSize() << false;
    QTest::newRow("page taller than the screen")
        << windowOfSize(400, 300) + pageOfEdits(80) << QSize() << true;
}

void tst_WindowFit::fitsTheScreen()
{
    QFETCH(QByteArray, body);
    QFETCH(QSize, size);
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(body));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
    QVERIFY(d->isVisible());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const auto describe = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    QVERIFY2(area.contains(d->frameGeometry()),
             qPrintable(describe(d->frameGeometry()) + QStringLiteral(" in ") + describe(area)));
    if (size.isValid())
        QCOMPARE(d->size(), size);
    QFETCH(bool, fullHeight);
    if (fullHeight)
        QVERIFY2(
            d->frameGeometry().height() >= area.height() - 2,
            qPrintable(describe(d->frameGeometry()) + QStringLiteral(" in ") + describe(area)));
    // Centred once its size is final.
    QVERIFY((d->frameGeometry().center() - area.center()).manhattanLength() <= 2);
    // Both buttons lie inside the dialog.
    for (const char* name : {"pbOK", "pbCancel"}) {
        auto* button = d->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(button->isVisible());
        QVERIFY(d->rect().contains(QRect(button->mapTo(d, QPoint(0, 0)), button->size())));
    }
}

void tst_WindowFit::staysOnScreenOverAParentAtTheEdge()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget parent;
    parent.setGeometry(area.right() - 100, area.bottom() - 80, 600, 400);
    parent.show();
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(windowOfSize(300, 200)), &parent);
    QVERIFY(d->isVisible());
    QVERIFY(area.contains(d->frameGeometry()));
    QCOMPARE(d->size(), QSize(300, 200));
}

void tst_WindowFit::okBeforeCancelAndFirstControlFocused()
{
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(pageOfEdits(3)));
    auto* ok = d->findChild<QPushButton*>(QStringLiteral("pbOK"));
    auto* cancel = d->findChild<QPushButton*>(QStringLiteral("pbCancel"));
    QWidget* firstPage = d->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->widget(0);
    QLineEdit* firstEdit = firstPage->findChildren<QLineEdit*>().value(0);
    QVERIFY(firstEdit);
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QCOMPARE(QApplication::focusWidget(), firstEdit);

    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), cancel);
}

void tst_WindowFit::scrolledPagesKeepSelectionAndFocus_data()
{
    QTest::addColumn<int>("selection");
    QTest::newRow("tall page chosen") << 0;
    QTest::newRow("short page chosen") << 1;
}

// Pages that are moved into scroll areas keep the chosen page, paint (their
// updates are on again), and keep their controls in keyboard order.
void tst_WindowFit::scrolledPagesKeepSelectionAndFocus()
{
    QFETCH(int, selection);
    SetupHarness h;
    QByteArray body = pageOfEdits(80);
    body.replace("</tabwidget>",
                 "<selection>" + QByteArray::number(selection) + "</selection></tabwidget>");
    CWinMain* d = h.build(SetupHarness::wrap(windowOfSize(400, 300) + body));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
    auto* tabs = d->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QCOMPARE(tabs->count(), 2);
    for (int i = 0; i < tabs->count(); ++i)
        QVERIFY(qobject_cast<QScrollArea*>(tabs->widget(i)));
    QCOMPARE(tabs->currentIndex(), selection);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Many"));
    QVERIFY(d->updatesEnabled());
    for (const QWidget* w : d->findChildren<QWidget*>())
        QVERIFY2(w->updatesEnabled(), w->metaObject()->className());

    const QList<QLineEdit*> edits =
        qobject_cast<QScrollArea*>(tabs->widget(0))->widget()->findChildren<QLineEdit*>();
    QCOMPARE(edits.size(), 80);
    tabs->setCurrentIndex(0);
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    edits.at(0)->setFocus();
    QTest::keyClick(edits.at(0), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), edits.at(1));
}

QTEST_MAIN(tst_WindowFit)
#include "tst_windowfit.moc"
