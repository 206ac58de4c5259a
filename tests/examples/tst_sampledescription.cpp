// The sample device's description, read as the dialog reads it.
#include <QDomDocument>
#include <QFile>
#include <QRegularExpressionValidator>
#include <QtTest>

namespace {

const QStringList kAddressKeys = {
    QStringLiteral("net/static/ip"),
    QStringLiteral("net/static/gateway"),
    QStringLiteral("net/dns/server1"),
};
const QString kMaskKey = QStringLiteral("net/static/mask");
const QString kHostNameKey = QStringLiteral("net/common/hostname");

QDomDocument sampleDescription()
{
    QFile file(QStringLiteral(SAMPLE_DESCRIPTION));
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file, true))
        qFatal("cannot read %s", SAMPLE_DESCRIPTION);
    return doc;
}

// The validator pattern of the edit bound to `key`; null when there is none.
QString validatorOf(const QDomDocument& doc, const QString& key)
{
    const QDomNodeList items = doc.elementsByTagName(QStringLiteral("item"));
    for (int i = 0; i < items.size(); ++i) {
        const QDomElement item = items.item(i).toElement();
        if (item.attribute(QStringLiteral("type")) == QLatin1String("edit") &&
            item.firstChildElement(QStringLiteral("key")).text() == key)
            return item.attribute(QStringLiteral("validator"));
    }
    return QString();
}

QValidator::State validate(const QString& pattern, QString text)
{
    // As the dialog installs it on the line edit: the whole text must match.
    QRegularExpressionValidator validator(
        QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
    int pos = 0;
    return validator.validate(text, pos);
}

QString repeated(const QString& part, int times, const QString& separator)
{
    return QStringList(times, part).join(separator);
}

} // namespace

class tst_SampleDescription : public QObject
{
    Q_OBJECT

private slots:
    void editValidators_data();
    void editValidators();
};

void tst_SampleDescription::editValidators_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");

    const QString label63 = QString(63, QLatin1Char('a'));
    struct Row
    {
        const char* name;
        QString text;
        bool acceptable;
    };
    const Row addresses[] = {
        {"address: all zeros", QStringLiteral("0.0.0.0"), true},
        {"address: all 255", QStringLiteral("255.255.255.255"), true},
        {"address: private", QStringLiteral("192.168.1.20"), true},
        {"address: mask", QStringLiteral("255.255.254.0"), true},
        {"address: 199 and 249", QStringLiteral("199.249.100.9"), true},
        {"address: 256 in first", QStringLiteral("256.1.1.1"), false},
        {"address: 256 in last", QStringLiteral("1.2.3.256"), false},
        {"address: 300", QStringLiteral("10.300.0.1"), false},
        {"address: 999s", QStringLiteral("999.999.999.999"), false},
        {"address: leading zero", QStringLiteral("192.168.01.1"), false},
        {"address: three parts", QStringLiteral("10.0.0"), false},
        {"address: five parts", QStringLiteral("10.0.0.1.5"), false},
        {"address: empty part", QStringLiteral("10..0.1"), false},
        {"address: trailing dot", QStringLiteral("10.0.0.1."), false},
        {"address: negative", QStringLiteral("-1.0.0.1"), false},
        {"address: letters", QStringLiteral("a.b.c.d"), false},
        {"address: trailing blank", QStringLiteral("10.0.0.1 "), false},
        {"address: empty", QString(), false},
    };
    for (const Row& r : addresses) {
        QTest::newRow(r.name) << kAddressKeys << r.text << r.acceptable;
        // What is no address is no mask either.
        if (!r.acceptable)
            QTest::addRow("mask, %s", r.name) << QStringList{kMaskKey} << r.text << false;
    }

    // A mask is ones followed by zeros: a gap would make a subnet of
    // scattered addresses that no recorder can route.
    const Row masks[] = {
        {"mask: /24", QStringLiteral("255.255.255.0"), true},
        {"mask: /23", QStringLiteral("255.255.254.0"), true},
        {"mask: /1", QStringLiteral("128.0.0.0"), true},
        {"mask: /0", QStringLiteral("0.0.0.0"), true},
        {"mask: /32", QStringLiteral("255.255.255.255"), true},
        {"mask: /30", QStringLiteral("255.255.255.252"), true},
        {"mask: /12", QStringLiteral("255.240.0.0"), true},
        {"mask: gap between octets", QStringLiteral("255.0.255.0"), false},
        {"mask: gap inside an octet", QStringLiteral("255.255.253.0"), false},
        {"mask: ones after zeros", QStringLiteral("0.255.255.255"), false},
        {"mask: ones after a partial octet", QStringLiteral("255.254.255.0"), false},
        {"mask: an address", QStringLiteral("192.168.1.20"), false},
        {"mask: last bit alone", QStringLiteral("255.255.0.1"), false},
    };
    for (const Row& r : masks)
        QTest::newRow(r.name) << QStringList{kMaskKey} << r.text << r.acceptable;

    const Row names[] = {
        {"host: sample name", QStringLiteral("velk-nvr"), true},
        {"host: one letter", QStringLiteral("a"), true},
        {"host: leading digit", QStringLiteral("1st-floor"), true},
        {"host: dotted", QStringLiteral("gate.site-2.example"), true},
        {"host: 63-character label", label63, true},
        {"host: 253 characters", repeated(label63, 4, QStringLiteral(".")).left(253), true},
        {"host: 64-character label", label63 + QLatin1Char('a'), false},
        {"host: 254 characters", repeated(label63, 4, QStringLiteral(".")).left(251) + "a.b",
         false},
        {"host: leading hyphen", QStringLiteral("-gate"), false},
        {"host: trailing hyphen", QStringLiteral("gate-"), false},
        {"host: hyphen before dot", QStringLiteral("gate-.site"), false},
        {"host: underscore", QStringLiteral("gate_1"), false},
        {"host: empty label", QStringLiteral("gate..site"), false},
        {"host: leading dot", QStringLiteral(".gate"), false},
        {"host: trailing dot", QStringLiteral("gate."), false},
        {"host: blank", QStringLiteral("gate 1"), false},
        {"host: non-ASCII letter", QStringLiteral("g\u00e5te"), false},
        {"host: empty", QString(), false},
    };
    for (const Row& r : names)
        QTest::newRow(r.name) << QStringList{kHostNameKey} << r.text << r.acceptable;
}

void tst_SampleDescription::editValidators()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, text);
    QFETCH(bool, acceptable);
    const QDomDocument doc = sampleDescription();
    for (const QString& key : keys) {
        const QString pattern = validatorOf(doc, key);
        QVERIFY2(!pattern.isEmpty(), qPrintable(key));
        QVERIFY2(QRegularExpression(pattern).isValid(), qPrintable(key));
        const QValidator::State state = validate(pattern, text);
        QVERIFY2((state == QValidator::Acceptable) == acceptable,
                 qPrintable(key + QLatin1String(": ") + text));
        if (!acceptable)
            continue;
        // Typed one character at a time, no prefix may be refused.
        for (int n = 1; n < text.size(); ++n)
            QVERIFY2(validate(pattern, text.left(n)) != QValidator::Invalid,
                     qPrintable(key + QLatin1String(": ") + text.left(n)));
    }
}

QTEST_APPLESS_MAIN(tst_SampleDescription)
#include "tst_sampledescription.moc"
