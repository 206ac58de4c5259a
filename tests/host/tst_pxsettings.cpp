#include "host/pxsettings.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class tst_PXSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    void writeLogins(const QList<QStringList>& rows)
    {
        PXSettings::beginWriteArray("Authorization/Logins", -1, true);
        for (const QStringList& row : rows) {
            PXSettings::setValue("url", row.at(0), true);
            PXSettings::setValue("name", row.at(1), true);
            PXSettings::setValue("level", row.at(2), true);
            PXSettings::setValue("login", row.at(3), true);
            PXSettings::setValue("password", row.at(4), true);
        }
        PXSettings::endArray(true);
        PXSettings::sync();
    }

    QList<QStringList> readLogins()
    {
        QList<QStringList> rows;
        const int n = PXSettings::beginReadArray("Authorization/Logins", true);
        for (int i = 0; i < n; ++i) {
            QStringList row;
            for (const char* field : {"url", "name", "level", "login", "password"})
                row << PXSettings::value(field, QVariant(), true).toString();
            rows << row;
        }
        PXSettings::endArray(true);
        return rows;
    }

private slots:
    void initTestCase()
    {
        qputenv("PXSETTINGS_FILE", QFile::encodeName(m_dir.filePath("px/store.ini")));
        PXSettings::reopen();
    }

    void arraysAdvanceByThemselves()
    {
        const QList<QStringList> rows = {
            {"10.0.0.1", "front", "3", "admin", "d41d8cd98f00b204e9800998ecf8427e"},
            {"10.0.0.2", "gate", "1", "guard", "0cc175b9c0f1b6a831c399e269772661"},
            {"10.0.0.3", "yard", "2", "op", ""},
        };
        writeLogins(rows);
        QCOMPARE(readLogins(), rows);
        // A new instance reads what the file holds.
        PXSettings::reopen();
        QCOMPARE(readLogins(), rows);
    }

    void rewriteHoldsExactlyTheNewElements()
    {
        writeLogins({{"a", "b", "c", "d", "e"}, {"f", "g", "h", "i", "j"}});
        writeLogins({{"k", "l", "m", "n", "o"}});
        PXSettings::reopen();
        QCOMPARE(readLogins(), (QList<QStringList>{{"k", "l", "m", "n", "o"}}));
        writeLogins({});
        PXSettings::reopen();
        QCOMPARE(readLogins(), QList<QStringList>());
    }

    void plainValuesAndDefaults()
    {
        QCOMPARE(PXSettings::value("Authorization/remember", false, true).toBool(), false);
        PXSettings::setValue("Authorization/remember", true, true);
        PXSettings::sync();
        PXSettings::reopen();
        QCOMPARE(PXSettings::value("Authorization/remember", false, true).toBool(), true);
        QVERIFY(PXSettings::defaultVideoChannelCount() > 0);
        QVERIFY(PXSettings::defaultSoundChannelCount() >= 0);
    }

    void fileIsOwnerOnly()
    {
        PXSettings::setValue("x", 1, true);
        PXSettings::sync();
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(PXSettings::fileName()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
    }
};

QTEST_GUILESS_MAIN(tst_PXSettings)
#include "tst_pxsettings.moc"
