#include "patternsubstitution.h"
#include "setup/ctextsubstituter.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using Table = PatternSubstitution::Table;

const cTextSubstituter::Limits kLimits{1000, 1 << 20};

QString pick(QRandomGenerator& random, const QStringList& pieces, int count)
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += pieces.at(random.bounded(int(pieces.size())));
    return s;
}

// The substituter beside the pattern search, both under the same random
// limits and with budget to spare.
struct SideBySide
{
    SideBySide(QRandomGenerator& random, int maxReplacements, int maxLength)
        : limits{1 + random.bounded(maxReplacements), 1 + random.bounded(maxLength)}
    {
    }
    cTextSubstituter::Limits limits;
    qint64 budget = std::numeric_limits<qint64>::max();
    PatternSubstitution reference{limits};
    cTextSubstituter ours{limits, budget};
};

cTextSubstituter::Lookup lookupIn(const Table& table)
{
    return [&table](const QString& key) { return table.value(key); };
}

} // namespace

class tst_cTextSubstituter : public QObject
{
    Q_OBJECT

private slots:
    void translationsAsTheSearchThatStartsOver();
    void valuesAsTheSearchThatStartsOver();
    void translate_data();
    void translate();
    void expandValues_data();
    void expandValues();
    void budgetIsSharedAcrossCalls();
};

// Random texts over the characters that matter, with translation tables
// that never lead back to a word being translated.
void tst_cTextSubstituter::translationsAsTheSearchThatStartsOver()
{
    QRandomGenerator random(20240611);
    const QStringList words{"a", "b", "c", "d", "e"};
    const QStringList pieces{"@a", "@b", "@c", "@d", "@e", "@", "@z", " ", ".", "x", "\t", "@ab"};
    for (int round = 0; round < 4000; ++round) {
        Table table;
        for (int i = 0; i < words.size(); ++i) {
            if (random.bounded(4) == 0)
                continue; // untranslated
            QString translation = pick(random, {" ", "y", ".", "@", "@q"}, random.bounded(3));
            for (int j = i + 1; j < words.size(); ++j) {
                if (random.bounded(2))
                    translation += pick(random, {"", " ", "-"}, 1) + "@" + words.at(j);
            }
            table.insert(words.at(i), translation);
        }
        const QString text = pick(random, pieces, random.bounded(10));
        SideBySide both(random, 20, 60);
        QCOMPARE(both.ours.translate(text, lookupIn(table)), both.reference.translate(text, table));
    }
}

// Values may hold braces and keys, their own among them: both stop after
// the same replacements.
void tst_cTextSubstituter::valuesAsTheSearchThatStartsOver()
{
    QRandomGenerator random(20240612);
    const QStringList keys{"k", " k", "k ", "j", "\n"};
    const QStringList pieces{"{", "}", "{k}", "{ k}", "{j}", " ", "x", "\t", "{\n}", "{}"};
    for (int round = 0; round < 4000; ++round) {
        Table values;
        for (const QString& key : keys) {
            if (random.bounded(3))
                values.insert(key, pick(random, pieces, random.bounded(4)));
        }
        const QString text = pick(random, pieces, random.bounded(12));
        SideBySide both(random, 30, 80);
        QCOMPARE(both.ours.expandValues(text, lookupIn(values)),
                 both.reference.expandValues(text, values));
    }
}

void tst_cTextSubstituter::translate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("word holding itself expands once") << "@echo"
                                                      << "@echo and @echo";
    QTest::newRow("each occurrence expands once") << "@echo.@echo"
                                                  << "@echo and @echo.@echo and @echo";
    QTest::newRow("words holding each other") << "> @ping"
                                              << "> @ping pong ping";
    QTest::newRow("a word inside its own translation, twice over")
        << "@many" << QStringLiteral("@many ").repeated(50);
    QTest::newRow("long text of untranslated words")
        << QStringLiteral("@nope ").repeated(100000) << QStringLiteral("@nope ").repeated(100000);
}

void tst_cTextSubstituter::translate()
{
    QFETCH(QString, text);
    const Table table{{"echo", "@echo and @echo"},
                      {"ping", "@pong ping"},
                      {"pong", "@ping pong"},
                      {"many", QStringLiteral("@many ").repeated(50)}};
    qint64 budget = std::numeric_limits<qint64>::max();
    QTEST(cTextSubstituter(kLimits, budget).translate(text, lookupIn(table)), "expected");
}

void tst_cTextSubstituter::expandValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks between braces are the key") << "{   }"
                                                       << "blanks";
    QTest::newRow("many open braces, the last closed twice")
        << QString(256 * 1024, QLatin1Char('{')) + "{a/b/c}}"
        << QString(256 * 1024 - 1, QLatin1Char('{')) + "done";
    QTest::newRow("key built from a value") << "{a/{name}/c}"
                                            << "x";
    QTest::newRow("value closing a brace before it") << "{a/b/c{close}"
                                                     << "x";
    QTest::newRow("blanks stay in the key") << "{ a/b/c }"
                                            << "spaced";
}

void tst_cTextSubstituter::expandValues()
{
    QFETCH(QString, text);
    const Table values{{"a/b/c", "x"}, {"x", "done"},         {"name", "b"},
                       {"close", "}"}, {" a/b/c ", "spaced"}, {"   ", "blanks"}};
    qint64 budget = std::numeric_limits<qint64>::max();
    QTEST(cTextSubstituter(kLimits, budget).expandValues(text, lookupIn(values)), "expected");
}

void tst_cTextSubstituter::budgetIsSharedAcrossCalls()
{
    const Table values{{"k", "abc"}, {"self", "{self}{self}"}};
    qint64 budget = 10; // each "abc" costs 4
    QCOMPARE(cTextSubstituter(kLimits, budget).expandValues("{k}{k}{k}", lookupIn(values)),
             QStringLiteral("abcabc{k}"));
    QCOMPARE(budget, qint64(2));
    QCOMPARE(cTextSubstituter(kLimits, budget).expandValues("<{k}>", lookupIn(values)),
             QStringLiteral("<{k}>"));

    // A value that doubles itself stops at the call's limits, whatever the budget.
    budget = std::numeric_limits<qint64>::max();
    const QString grown =
        cTextSubstituter({100, 1 << 20}, budget).expandValues("{self}", lookupIn(values));
    QCOMPARE(grown, QStringLiteral("{self}").repeated(101));
}

QTEST_MAIN(tst_cTextSubstituter)
#include "tst_ctextsubstituter.moc"
