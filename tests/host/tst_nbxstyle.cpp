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
};

QTEST_MAIN(tst_NBXStyle)
#include "tst_nbxstyle.moc"
