// The package list inside a built dialog: its rows and the removal command
// as the description calls it.
#include "../setup/setupharness.h"
#include "controls/csoftlist.h"
#include "dialogscript.h"

#include <QtTest>

namespace {

const QByteArray kDescription = SetupHarness::wrap(R"(
<window><main/></window>
<tabwidget><tab><name>Software</name><item type="gridlayout">
  <item type="softlist" row="0" column="0"><softlist/><key>soft/untitled</key>
    <column width="120">Package</column><column width="60">Version</column>
    <column width="200">Description</column><column>Priority</column>
  </item>
</item></tab></tabwidget>
<dialog title="softcantdelete"><softcantdelete/></dialog>
<dialog title="softdodelete"><softdodelete/></dialog>
)");

const QByteArray kPackages = "PACKAGES = 3\n"
                             "PACKAGE_NAME_1 = velk-base\nPACKAGE_VER_1 = 3.4.17\n"
                             "PACKAGE_DESC_1 = 'Recorder core'\nPACKAGE_PRIORITY_1 = required\n"
                             "PACKAGE_NAME_2 = velk-onvif\nPACKAGE_VER_2 = 1.2\n"
                             "PACKAGE_DESC_2 = 'Camera discovery'\nPACKAGE_PRIORITY_2 = optional\n"
                             "PACKAGE_NAME_3 = velk-web\nPACKAGE_VER_3 = 2.0\n"
                             "PACKAGE_DESC_3 = 'Web viewer'\nPACKAGE_PRIORITY_3 = extra\n";

const QString kRemoveName = QStringLiteral("general/remove_package/name");

struct SoftFixture
{
    SetupHarness h;
    cSoftList* list = nullptr;

    explicit SoftFixture(const QByteArray& soft)
    {
        h.source.setFilePath(QStringLiteral("soft"), h.write(QStringLiteral("soft.ini"), soft));
        h.build(kDescription);
        list = h.control<cSoftList>(QStringLiteral("softlist"));
    }

    void call(const QString& command)
    {
        QVERIFY(QMetaObject::invokeMethod(h.dialog.get(), "softListSlot", Qt::DirectConnection,
                                          Q_ARG(QString, command)));
    }
};

} // namespace

class tst_cSoftList : public QObject
{
    Q_OBJECT

private slots:
    void packageCount_data();
    void packageCount();
    void requiredRowsAreRed();
    void remove_data();
    void remove();
    void unknownCommand();
};

void tst_cSoftList::packageCount_data()
{
    QTest::addColumn<QByteArray>("soft");
    QTest::addColumn<int>("rows");
    QTest::newRow("three") << kPackages << 3;
    QTest::newRow("zero") << QByteArray("PACKAGES = 0\nPACKAGE_NAME_1 = velk-base\n") << 0;
    QTest::newRow("missing") << QByteArray("version = '3.4.17'\n") << 0;
    QTest::newRow("negative") << QByteArray("PACKAGES = -2\n") << 0;
    QTest::newRow("not a number") << QByteArray("PACKAGES = many\n") << 0;
    QTest::newRow("above the bound") << QByteArray("PACKAGES = 4000000000\n") << 10000;
}

void tst_cSoftList::packageCount()
{
    QFETCH(QByteArray, soft);
    QFETCH(int, rows);
    SoftFixture f(soft);
    QVERIFY(f.list);
    QCOMPARE(f.list->packageCount(), rows);
    QCOMPARE(f.h.errorTexts(), QStringList());
}

void tst_cSoftList::requiredRowsAreRed()
{
    SoftFixture f(kPackages);
    const cSoftList::package base = f.list->getPackage(0);
    QCOMPARE(base.name, QStringLiteral("velk-base"));
    QCOMPARE(base.version, QStringLiteral("3.4.17"));
    QCOMPARE(base.description, QStringLiteral("Recorder core"));
    QCOMPARE(base.priority, QStringLiteral("required"));
    for (int column = 0; column < 3; ++column) {
        QCOMPARE(f.list->topLevelItem(0)->foreground(column).color(), QColor(Qt::red));
        QVERIFY(f.list->topLevelItem(1)->foreground(column).color() != QColor(Qt::red));
    }
    QVERIFY(!f.list->isRemovable(0));
    QVERIFY(f.list->isRemovable(1));
    QVERIFY(f.list->isRemovable(2));
}

void tst_cSoftList::remove_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("stored"); // under general/remove_package/name

    QTest::newRow("required package") << 0 << "softcantdelete"
                                      << "";
    QTest::newRow("removable package") << 1 << "softdodelete"
                                       << "velk-onvif";
    QTest::newRow("last package") << 2 << "softdodelete"
                                  << "velk-web";
    QTest::newRow("no current row") << -1 << ""
                                    << "";
}

void tst_cSoftList::remove()
{
    QFETCH(int, current);
    QFETCH(QString, dialog);
    QFETCH(QString, stored);
    SoftFixture f(kPackages);
    f.list->setCurrentItem(current < 0 ? nullptr : f.list->topLevelItem(current));
    DialogScript script;
    QString storedWhenOpen;
    script.inside = [&](QDialog*) { storedWhenOpen = f.h.value(kRemoveName); };
    f.call(QStringLiteral("remove"));
    QCOMPARE(script.answered, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QCOMPARE(storedWhenOpen, stored);
    QCOMPARE(f.h.value(kRemoveName), stored);
    QCOMPARE(f.list->packageCount(), 3);
    QCOMPARE(f.h.errorTexts(), QStringList());
}

void tst_cSoftList::unknownCommand()
{
    SoftFixture f(kPackages);
    f.list->setCurrentItem(f.list->topLevelItem(1));
    f.call(QStringLiteral("delete"));
    QCOMPARE(f.h.errorTexts(), QStringList{"Unknown softListSlot tag \"delete\""});
    QCOMPARE(f.h.value(kRemoveName), QString());
}

QTEST_MAIN(tst_cSoftList)
#include "tst_csoftlist.moc"
