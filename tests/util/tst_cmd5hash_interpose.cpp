#include "util/cmd5hash.h"

#include <QtTest>

#include <cstring>

// A host's own raw routine, defined in the program and so found first in the
// dynamic symbol table.
bool CMD5Hash::DoHash(const void*, unsigned long, void* digest)
{
    std::memset(digest, 0xab, 16);
    return true;
}

class tst_CMD5HashInterpose : public QObject
{
    Q_OBJECT

private slots:
    void hostRoutineTakesPrecedence()
    {
        QCOMPARE(CMD5Hash::DoHash(QString("anything")), QString("ab").repeated(16));
    }
};

QTEST_GUILESS_MAIN(tst_CMD5HashInterpose)
#include "tst_cmd5hash_interpose.moc"
