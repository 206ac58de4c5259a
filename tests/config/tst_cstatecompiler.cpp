#include "config/cstatecompiler.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// Limits no test of the results comes near.
constexpr qsizetype kRoomy = 1 << 24;
constexpr int kMany = 1 << 20;

QString valueOf(const QString& key)
{
    return key == QLatin1String("net/lan/ip") ? QStringLiteral("10.1.1.1") : key.right(1);
}

QRegExp minimalRegExp(const QString& pattern, bool minimal = true)
{
    QRegExp re(pattern, Qt::CaseSensitive);
    re.setMinimal(minimal);
    return re;
}

QString pick(QRandomGenerator& random, const QStringList& from)
{
    return from.at(int(random.bounded(from.size())));
}

QString randomText(QRandomGenerator& random, const QString& alphabet, int maxLength)
{
    QString text;
    for (int i = int(random.bounded(maxLength + 1)); i > 0; --i)
        text += alphabet.at(int(random.bounded(alphabet.size())));
    return text;
}

// A directive line as the state files' format defines it.
const QString kDirective = QStringLiteral("[\r\n]#!\\s*s/(.*)/(.*)\\{(.*)\\}(.*)/\\s*[\r\n]");

// What QRegExp itself finds as the next directive, for comparison.
QStringList qRegExpDirective(const QString& text, int from)
{
    const QRegExp directive = minimalRegExp(kDirective);
    const int at = directive.indexIn(text, from);
    if (at < 0)
        return {};
    return {QString::number(at), directive.cap(1), directive.cap(2), directive.cap(3),
            directive.cap(4)};
}

// The compiling loop with nothing but QRegExp, the size checked after each
// whole replacement: the same text, but in time that can run away.
QString referenceCompile(QString text, int maxDirectives, qsizetype maxText)
{
    const QRegExp directive = minimalRegExp(kDirective);
    int pos = 0;
    for (int count = 0; count < maxDirectives; ++count) {
        pos = directive.indexIn(text, pos);
        if (pos < 0)
            break;
        const QRegExp re = minimalRegExp(directive.cap(1));
        const QString replaced =
            re.replaceIn(text, directive.cap(2) + valueOf(directive.cap(3)) + directive.cap(4));
        if (replaced.size() > maxText)
            break;
        text = replaced;
        ++pos;
    }
    return text;
}

QStringList compilerDirective(const QString& text, int from)
{
    cStateCompiler compiler(kMany, kRoomy, kRoomy);
    cStateCompiler::Directive d;
    if (!compiler.next(text, from, d))
        return {};
    return {QString::number(d.pos), d.pattern, d.prefix, d.key, d.suffix};
}

} // namespace

class tst_cStateCompiler : public QObject
{
    Q_OBJECT

private slots:
    void replaceAsReplaceIn_data();
    void replaceAsReplaceIn();
    void replaceAsReplaceInOnRandomCases();
    void directivesAsQRegExp_data();
    void directivesAsQRegExp();
    void directivesAsQRegExpOnRandomTexts();
    void compilesAsTheQRegExpLoop_data();
    void compilesAsTheQRegExpLoop();
    void replaceStopsAtTheSizeLimit();
    void workIsBounded();
};

void tst_cStateCompiler::replaceAsReplaceIn_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");

    QTest::newRow("literal") << "IP:[0-9.]+;"
                             << "a IP:0.0.0.0; b IP:1.2.3.4;\n"
                             << "IP:10.1.1.1;";
    QTest::newRow("empty pattern between every character") << ""
                                                           << "abc"
                                                           << "-";
    QTest::newRow("empty matches beside real ones") << "x*"
                                                    << "axxbx"
                                                    << "-";
    QTest::newRow("empty text") << "a*"
                                << ""
                                << "z";
    QTest::newRow("no match") << "q"
                              << "abc"
                              << "z";
    QTest::newRow("groups") << "(port)=(\\d+)"
                            << "port=1\nport=22\n"
                            << "\\1=8080:\\2";
    QTest::newRow("group that did not take part") << "(a)|(b)"
                                                  << "ab"
                                                  << "[\\1\\2]";
    QTest::newRow("reference past the groups is text") << "(a)"
                                                       << "aa"
                                                       << "\\2\\0\\1";
    QTest::newRow("no groups: references are text") << "a"
                                                    << "aa"
                                                    << "\\1";
    QTest::newRow("escaped backslash before a reference") << "(a)"
                                                          << "a"
                                                          << "\\\\1";
    QTest::newRow("two-digit reference") << "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)"
                                         << "abcdefghijk"
                                         << "\\11\\10\\1";
    QTest::newRow("two digits where no such group") << "(a)(b)"
                                                    << "ab"
                                                    << "\\12";
    // With group references the search goes on in the text as changed, so
    // a word boundary can appear where a replacement ends.
    QTest::newRow("references see the changed text") << "\\b(a)"
                                                     << "aaaa"
                                                     << "\\1-";
    QTest::newRow("plain text sees the text as given") << "\\ba"
                                                       << "aaaa"
                                                       << "a-";
    QTest::newRow("replaced by nothing, then at the start") << "\\b(a)(b?)"
                                                            << "aaaa"
                                                            << "\\2";
    QTest::newRow("start anchor once only") << "^a"
                                            << "aaa"
                                            << "b";
    QTest::newRow("end anchor") << "a$"
                                << "aaa"
                                << "b";
    QTest::newRow("look-ahead") << "a(?=b)"
                                << "aabab"
                                << "X";
    QTest::newRow("minimal groups") << "(a+)(a*)"
                                    << "aaaa"
                                    << "[\\1|\\2]";
    // Without references the changed text is seen only after each batch of
    // 2047 matches.
    QTest::newRow("batch boundary: boundary seen") << "x|\\bc" << QString(2047, 'x') + "c"
                                                   << "-";
    QTest::newRow("batch boundary: boundary not seen") << "x|\\bc" << QString(2046, 'x') + "c"
                                                       << "-";
    QTest::newRow("many matches with references") << "(x)" << QString(5000, 'x') << "\\1y";
}

void tst_cStateCompiler::replaceAsReplaceIn()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(QString, after);
    for (bool minimal : {true, false}) {
        const QRegExp re = minimalRegExp(pattern, minimal);
        cStateCompiler compiler(kMany, kRoomy, kRoomy);
        QString result = QStringLiteral("<untouched>");
        QVERIFY(compiler.replace(re, text, after, result));
        QCOMPARE(result, re.replaceIn(text, after));
    }
}

// Small patterns, texts and replacements drawn at random (with a fixed seed)
// reach the corners the table above does not think of.
void tst_cStateCompiler::replaceAsReplaceInOnRandomCases()
{
    QRandomGenerator random(20240611);
    const QStringList pieces = {"a", "b",    "(a)", "(a|b)", "a*",    "b?",   "\\b", "\\B",
                                ".", "(a+)", "$",   "^",     "",      "[ab]", "(.)", "x*",
                                "-", "(b*)", "a+?", "(?=a)", "(?!b)", "\\w",  "\\s", "(a)(b)"};
    const QStringList afters = {"",      "z", "\\1",  "\\2",     "\\1\\1", "-",   "\\0",
                                "\\\\1", "a", "\\12", "\\1-\\2", " ",      "b\\1"};
    for (int i = 0; i < 4000; ++i) {
        QString pattern;
        for (int n = 1 + int(random.bounded(3)); n > 0; --n)
            pattern += pick(random, pieces);
        const QString text = randomText(random, QStringLiteral("ab -x"), 14);
        const QString after = pick(random, afters);
        const QRegExp re = minimalRegExp(pattern, random.bounded(2) == 0);
        if (!re.isValid())
            continue;
        cStateCompiler compiler(kMany, kRoomy, kRoomy);
        QString result;
        QVERIFY(compiler.replace(re, text, after, result));
        const QString expected = re.replaceIn(text, after);
        if (result != expected)
            QFAIL(qPrintable(QStringLiteral("pattern \"%1\" minimal %2 text \"%3\" after \"%4\": "
                                            "ours \"%5\", replaceIn \"%6\"")
                                 .arg(pattern)
                                 .arg(re.isMinimal())
                                 .arg(text, after, result, expected)));
    }
}

void tst_cStateCompiler::directivesAsQRegExp_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");

    QTest::newRow("one directive") << "[ s ]\n#! s/IP:[0-9.]+;/IP:{net/lan/ip};/\nIP:0;\n" << 0;
    QTest::newRow("first line is not after a break") << "#! s/a/{k/s/n}/\nb\n" << 0;
    QTest::newRow("blanks around") << "x\r\n#!  \t s/a/b{k/s/n}c/ \t\r\n" << 0;
    QTest::newRow("search from inside the first") << "\n#! s/a/{k/s/n}/\n#! s/b/{k/s/m}/\n" << 1;
    QTest::newRow("slash in the suffix") << "\n#! s/a/p{k/s/n}x/y/\n" << 0;
    QTest::newRow("braces in the prefix are ends") << "\n#! s/a/p{q{k/s/n}}s/\n" << 0;
    QTest::newRow("spans lines when it must") << "\n#! s/a\n/b{k}c/x\n/\n" << 0;
    QTest::newRow("first try fails, none later") << "\n#! s/a/b\n#! s/c/d{e}f/\n" << 0;
    QTest::newRow("no closing break") << "\n#! s/a/{k/s/n}/" << 0;
    QTest::newRow("blank line before") << "\n\n#! s/a/{k/s/n}/\n" << 0;
    QTest::newRow("hash without bang") << "\n# s/a/{k}/\n\n#! s/a/{k}/\n" << 0;
}

void tst_cStateCompiler::directivesAsQRegExp()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QCOMPARE(compilerDirective(text, from), qRegExpDirective(text, from));
}

// Texts built from the parts of directives, each part sometimes left out,
// with noise between them: many directives, and many near misses.
void tst_cStateCompiler::directivesAsQRegExpOnRandomTexts()
{
    QRandomGenerator random(7);
    const QStringList parts = {"\n#!", " ",    "s/", "/", "{", "}", "/", " ",
                               "\n",   "\n#!", "s/", "/", "{", "}", "/", "\r\n"};
    const QStringList noise = {"a", " ", "\n", "\r", "/", "{", "}", "#!", "s/", "\t", "/\n"};
    int found = 0;
    for (int i = 0; i < 4000; ++i) {
        QString text;
        for (const QString& part : parts) {
            for (int n = int(random.bounded(3)) - 1; n > 0; --n)
                text += pick(random, noise);
            if (random.bounded(10) < 8)
                text += part;
        }
        const int from = int(random.bounded(text.size() / 2 + 1));
        const QStringList expected = qRegExpDirective(text, from);
        found += expected.isEmpty() ? 0 : 1;
        if (compilerDirective(text, from) != expected)
            QFAIL(qPrintable(QStringLiteral("text \"%1\" from %2: QRegExp %3")
                                 .arg(QString(text).replace("\n", "\\n").replace("\r", "\\r"))
                                 .arg(from)
                                 .arg(expected.join(QStringLiteral(" | ")))));
    }
    QVERIFY(found > 400);
}

void tst_cStateCompiler::compilesAsTheQRegExpLoop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxDirectives");
    QTest::addColumn<bool>("complete");

    QTest::newRow("ordinary state file")
        << "[ s ]\n#! s/IP:[0-9.]+;/IP:{net/lan/ip};/\n#! s/(port)=\\d+/\\1={p/o/8}/\n"
           "IP:0.0.0.0;\nport=1\n"
        << 1000 << true;
    QTest::newRow("pattern matching its own line") << "\n#! s/A/{k/s/n}/\nA\n#! s/n/{a/b/c}/\n"
                                                   << 1000 << true;
    QTest::newRow("directive that finds itself again and doubles the text")
        << "[ s ]\nv=" + QString(300, 'Q') + "\n#! s/(Q)/\\1\\1{k/s/n}/\n"
        << 1000 << false;
    QTest::newRow("directive doubling every directive line")
        << "\n#! s/(#!.*\\n)/\\1\\1{k/s/n}/\n#! s/x/y{k}/\nx\n"
        << 1000 << false;
    QTest::newRow("directive writing two more") << "\n#! s/Q/\n#! s/Q/{net/lan/ip}Q/\n"
                                                << 1000 << true;
    QTest::newRow("empty pattern in every gap") << "\n#! s//{k/s/n}/\n" + QString(50, 'a') + "\n"
                                                << 1000 << true;
    QTest::newRow("directive limit") << "\n#! s/a/aa{k}/\n#! s/b/bb{k}/\n#! s/c/cc{k}/\nabc\n"
                                     << 2 << false;
    QTest::newRow("as many directives as the limit") << "\n#! s/a/aa{k}/\n#! s/b/bb{k}/\nab\n"
                                                     << 2 << true;
}

// Up to its bounds the compiler changes the text exactly as the plain loop;
// the table's runaway rows reach the size bound quickly.
void tst_cStateCompiler::compilesAsTheQRegExpLoop()
{
    QFETCH(QString, text);
    QFETCH(int, maxDirectives);
    const qsizetype maxText = 20000;
    QString compiled = text;
    QTEST(cStateCompiler(maxDirectives, maxText, kRoomy).compile(compiled, valueOf), "complete");
    QCOMPARE(compiled, referenceCompile(text, maxDirectives, maxText));
}

void tst_cStateCompiler::replaceStopsAtTheSizeLimit()
{
    const QRegExp re = minimalRegExp(QStringLiteral("(a)"));
    QString result = QStringLiteral("<untouched>");
    cStateCompiler fits(kMany, 8, kRoomy);
    QVERIFY(fits.replace(re, QStringLiteral("aaaa"), QStringLiteral("\\1\\1"), result));
    QCOMPARE(result, QStringLiteral("aaaaaaaa"));
    cStateCompiler tooLong(kMany, 7, kRoomy);
    QVERIFY(!tooLong.replace(re, QStringLiteral("aaaa"), QStringLiteral("\\1\\1"), result));
    QCOMPARE(result, QStringLiteral("aaaaaaaa"));
    // A text already past the limit is not worked on at all.
    QVERIFY(!tooLong.replace(re, QString(9, 'b'), QString(), result));
    cStateCompiler::Directive d;
    QVERIFY(!tooLong.next(QStringLiteral("\n#! s/a/{k}/\n"), 0, d));
}

// However many directives and matches, the work ends once it is spent.
void tst_cStateCompiler::workIsBounded()
{
    const QString text = QStringLiteral("\n#! s/x/{k}/\n") + QString(1000, 'x');
    const QRegExp everyPlace = minimalRegExp(QString());
    cStateCompiler compiler(kMany, kRoomy, 100000);
    cStateCompiler::Directive d;
    int passes = 0;
    QString result;
    while (compiler.next(text, 0, d) && compiler.replace(everyPlace, text, QString(), result))
        ++passes;
    QVERIFY(passes > 0);
    QVERIFY(passes < 100000 / 1000);
}

QTEST_GUILESS_MAIN(tst_cStateCompiler)
#include "tst_cstatecompiler.moc"
