// Seeds for the targets that read setup descriptions: the sample device's
// description, the dialog tests' descriptions and a few awkward file lists.
#include "seedcorpus.h"

#include <QDir>

void writeSeeds(SeedCorpus& corpus)
{
    corpus.addFile(QStringLiteral("sample"), QStringLiteral(SAMPLE_DEVICE_SOURCE "/setup-m.xml"));
    const QDir tests(QStringLiteral(SETUP_TEST_DATA));
    for (const QString& name : tests.entryList({QStringLiteral("*.xml")}, QDir::Files))
        corpus.addFile(name, tests.filePath(name));
    const QByteArray lists[] = {
        "<pxsetup><di><difile name=\"a\" get_command=\"a.ini\"/><x/><difile name=\"b\"/></di>"
        "<di><difile name=\"second di\"/></di></pxsetup>",
        "<pxsetup><window><di><difile name=\"nested\"/></di></window><di/></pxsetup>",
        "<?xml version=\"1.0\"?><!DOCTYPE pxsetup [<!ENTITY f \"from-entity\">]>"
        "<pxsetup xmlns:p=\"urn:p\"><p:di><difile name=\"p\"/></p:di>"
        "<di><difile name=\"&f;\" type=\"state\" put_command=\"&lt;x&gt;\"/></di></pxsetup>",
        "<pxsetup><di><difile name='q' get_command='a&amp;b'><difile name='inner'/></difile>"
        "</di><!-- after --><tail/></pxsetup>",
    };
    int n = 0;
    for (const QByteArray& text : lists)
        corpus.add(QStringLiteral("list-%1").arg(n++), text);
}
