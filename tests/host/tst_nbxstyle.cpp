#include "host/nbxdlgquestion.h"
#include "host/nbxprogresspie.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QtTest>

class tst_NBXStyle : public QObject
{
    Q_OBJECT

private slots:
    void pieClamps_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("shown");
        QTest::newRow("inside") << 42 << 42;
        QTest::newRow("below") << -5 << 0;
        QTest::newRow("above") << 250 << 100;
    }

    void pieClamps()
    {
        QFETCH(int, value);
        NBXProgressPie pie;
        pie.setProgress(value);
        QTEST(pie.progress(), "shown");
    }

    void piePaintsItsShare()
    {
        NBXProgressPie pie;
        pie.resize(100, 100);
        const QColor fill = pie.palette().color(QPalette::Highlight);
        auto filledAt = [&](int progress, QPoint p) {
            pie.setProgress(progress);
            const QImage img = pie.grab().toImage();
            return img.pixelColor(p) == fill;
        };
        // Right half is filled first (clockwise from twelve o'clock).
        QVERIFY(!filledAt(0, QPoint(70, 30)));
        QVERIFY(filledAt(50, QPoint(70, 30)));
        QVERIFY(!filledAt(50, QPoint(30, 30)));
        QVERIFY(filledAt(100, QPoint(30, 30)));
    }

    void messageBoxShowsAndReturns()
    {
        QString seenTitle, seenText;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        const int r =
            NBXDlgQuestion::Do(nullptr, QMessageBox::Critical, "Panorix Setup", "Something failed",
                               QDialogButtonBox::Ok, QDialogButtonBox::NoButton, nullptr);
        QCOMPARE(r, int(QMessageBox::Ok));
        QCOMPARE(seenTitle, QString("Panorix Setup"));
        QCOMPARE(seenText, QString("Something failed"));
        QCOMPARE(seenIcon, QMessageBox::Critical);
    }

    // Enter takes the default button: with a way out offered and none named,
    // that is the way out, so a stray Enter never formats or resets anything.
    void enterTakesTheSafeAnswer_data()
    {
        using B = QDialogButtonBox;
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("named");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes or no") << int(B::Yes | B::No) << int(B::NoButton) << int(B::No);
        QTest::newRow("ok or cancel")
            << int(B::Ok | B::Cancel) << int(B::NoButton) << int(B::Cancel);
        QTest::newRow("yes, no or cancel does nothing")
            << int(B::Yes | B::No | B::Cancel) << int(B::NoButton) << int(B::Cancel);
        QTest::newRow("retry or abort")
            << int(B::Retry | B::Abort) << int(B::NoButton) << int(B::Abort);
        QTest::newRow("a lone ok still closes") << int(B::Ok) << int(B::NoButton) << int(B::Ok);
        QTest::newRow("the caller's choice stands")
            << int(B::Yes | B::No) << int(B::Yes) << int(B::Yes);
    }

    void enterTakesTheSafeAnswer()
    {
        QFETCH(int, buttons);
        QFETCH(int, named);
        QFETCH(int, answer);
        bool pressed = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Return);
            pressed = true;
        });
        const int r = NBXDlgQuestion::Do(
            nullptr, QMessageBox::Question, "Panorix Setup", "Format the disk?",
            QDialogButtonBox::StandardButtons(buttons), QDialogButtonBox::StandardButton(named));
        QVERIFY(pressed);
        QCOMPARE(r, answer);
    }
};

QTEST_MAIN(tst_NBXStyle)
#include "tst_nbxstyle.moc"
