// Any bytes as a recorder's setup description: reading it never fails hard,
// and a refusal always names the key it refuses. The sample's keys are
// asked about with values that a check may accept or refuse.
#include "descriptionrules.h"

#include "config/nbxsetup.h"
#include "fuzzcheck.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <unistd.h>

namespace {

QString scratchFile()
{
    static const QString path =
        QDir::temp().filePath(QStringLiteral("fuzz_rules_%1.xml").arg(::getpid()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile file(scratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();

    NBXSetup setup(QString{});
    setup.setFilePath(QStringLiteral("interface"), scratchFile());
    const auto rules = DescriptionRules::of(setup);
    if (!rules)
        return 0;
    const QString keys[] = {QStringLiteral("net/static/ip"), QStringLiteral("net/common/hostname"),
                            QStringLiteral("net/dns/server1")};
    const QString values[] = {QString(), QStringLiteral("192.0.2.1"),
                              QStringLiteral("999.999.999.999"), QStringLiteral("a b")};
    for (const QString& key : keys) {
        rules->isOwn(key);
        for (const QString& value : values) {
            const QString why = rules->refusal(key, value);
            require(why.isEmpty() || why.startsWith(key + QLatin1Char(':')));
        }
    }
    return 0;
}
