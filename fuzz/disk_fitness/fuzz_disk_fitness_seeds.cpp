// Seeds for the disk health target: the attribute tables of the sample
// device's disks, one per disk.
#include "seedcorpus.h"

#include <QRegularExpression>

void writeSeeds(SeedCorpus& corpus)
{
    const QString disks = QString::fromUtf8(SeedCorpus::read(QStringLiteral(SAMPLE_DISK_FILE)));
    const QRegularExpression smart(QStringLiteral("^smart = '(.*)'$"),
                                   QRegularExpression::MultilineOption);
    int n = 0;
    for (const QRegularExpressionMatch& m : smart.globalMatch(disks))
        corpus.add(QStringLiteral("disk%1").arg(n++), m.captured(1).toUtf8());
}
