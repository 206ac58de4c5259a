// The emulated device removing an installed package from its soft file.
#include "softpackages.h"

#include <QtTest>

namespace {

const QByteArray kSoft = "version = '3.4.17'\n"
                         "PACKAGES = 3\n"
                         "PACKAGE_NAME_1 = velk-base\nPACKAGE_VER_1 = 3.4.17\n"
                         "PACKAGE_DESC_1 = 'Recorder core'\nPACKAGE_PRIORITY_1 = required\n"
                         "PACKAGE_NAME_2 = 'velk-onvif'\nPACKAGE_VER_2 = 1.2\n"
                         "PACKAGE_DESC_2 = 'Camera discovery'\nPACKAGE_PRIORITY_2 = optional\n"
                         "PACKAGE_NAME_3 = velk-web\nPACKAGE_VER_3 = 2.0\n"
                         "PACKAGE_DESC_3 = 'Web viewer'\nPACKAGE_PRIORITY_3 = extra\n";

} // namespace

class tst_SoftPackages : public QObject
{
    Q_OBJECT

private slots:
    void remove_data();
    void remove();
};

void tst_SoftPackages::remove_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("first, the rest move up")
        << QByteArray("velk-base") << true
        << QByteArray("version = '3.4.17'\n"
                      "PACKAGES = 2\n"
                      "PACKAGE_NAME_1 = 'velk-onvif'\nPACKAGE_VER_1 = 1.2\n"
                      "PACKAGE_DESC_1 = 'Camera discovery'\nPACKAGE_PRIORITY_1 = optional\n"
                      "PACKAGE_NAME_2 = velk-web\nPACKAGE_VER_2 = 2.0\n"
                      "PACKAGE_DESC_2 = 'Web viewer'\nPACKAGE_PRIORITY_2 = extra\n");
    QTest::newRow("quoted name in the middle")
        << QByteArray("velk-onvif") << true
        << QByteArray("version = '3.4.17'\n"
                      "PACKAGES = 2\n"
                      "PACKAGE_NAME_1 = velk-base\nPACKAGE_VER_1 = 3.4.17\n"
                      "PACKAGE_DESC_1 = 'Recorder core'\nPACKAGE_PRIORITY_1 = required\n"
                      "PACKAGE_NAME_2 = velk-web\nPACKAGE_VER_2 = 2.0\n"
                      "PACKAGE_DESC_2 = 'Web viewer'\nPACKAGE_PRIORITY_2 = extra\n");
    QTest::newRow("last") << QByteArray("velk-web") << true
                          << QByteArray(kSoft)
                                 .replace("PACKAGES = 3", "PACKAGES = 2")
                                 .replace("PACKAGE_NAME_3 = velk-web\nPACKAGE_VER_3 = 2.0\n"
                                          "PACKAGE_DESC_3 = 'Web viewer'\n"
                                          "PACKAGE_PRIORITY_3 = extra\n",
                                          "");
    QTest::newRow("unknown name") << QByteArray("velk-none") << false << kSoft;
    QTest::newRow("part of a name") << QByteArray("velk") << false << kSoft;
}

void tst_SoftPackages::remove()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, found);
    QFETCH(QByteArray, expected);
    QByteArray soft = kSoft;
    QCOMPARE(SoftPackages::remove(soft, name), found);
    QCOMPARE(soft, expected);
}

QTEST_APPLESS_MAIN(tst_SoftPackages)
#include "tst_softpackages.moc"
