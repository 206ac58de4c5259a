// Substituting translations and values into texts, beside the pattern search
// that starts over after every replacement: the texts of an ordinary
// description, a run of blanks after a brace ahead of a hundred values, and
// a translation that holds its own word.
#include "patternsubstitution.h"
#include "setup/ctextsubstituter.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

const cTextSubstituter::Limits kLimits{1000, 1 << 20};
using Table = PatternSubstitution::Table;

struct Case
{
    const char* name;
    QStringList texts;
    int rounds;
};

const Table kTranslations{{"title", "Network"},
                          {"port", "Port"},
                          {"save", "Save the settings"},
                          {"echo", QString(2000, QLatin1Char('x')) + " @echo"}};
const Table kValues{
    {"general/net/port", "8080"}, {"general/net/ip", "10.0.0.2"}, {"general/disk/size", "931G"}};

QStringList ordinaryTexts()
{
    const QStringList forms{
        "@title", "@port: {general/net/port}",         "Address {general/net/ip}",
        "@save",  "Disk of {general/disk/size} @nope", "Plain text"};
    QStringList texts;
    for (int i = 0; i < 2000; ++i)
        texts << forms.at(i % forms.size());
    return texts;
}

QString ours(const QString& text)
{
    qint64 budget = std::numeric_limits<qint64>::max();
    cTextSubstituter s(kLimits, budget);
    const auto lookup = [](const Table& t) {
        return [&t](const QString& key) { return t.value(key); };
    };
    return s.expandValues(s.translate(text, lookup(kTranslations)), lookup(kValues));
}

QString reference(const QString& text)
{
    PatternSubstitution s{kLimits};
    return s.expandValues(s.translate(text, kTranslations), kValues);
}

// Best time of the rounds; `results` gets what the last round produced.
double bestMs(const Case& c, QString (*substitute)(const QString&), QStringList& results)
{
    double best = std::numeric_limits<double>::max();
    for (int round = 0; round < c.rounds; ++round) {
        results.clear();
        QElapsedTimer timer;
        timer.start();
        for (const QString& text : c.texts)
            results << substitute(text);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    const QString blanks(256 * 1024, QLatin1Char(' '));
    const Case cases[] = {
        {"substitute_description_texts_2000", ordinaryTexts(), 7},
        {"substitute_brace_blanks_100_values",
         {"{" + blanks + QStringLiteral("{general/net/port}").repeated(100)},
         1},
        {"substitute_self_translation", {"@echo"}, 1},
    };
    for (const Case& c : cases) {
        QStringList ourResults, referenceResults;
        const double o = bestMs(c, ours, ourResults);
        const double r = bestMs(c, reference, referenceResults);
        // Only the translation that holds its own word may differ: it expands once.
        if (ourResults != referenceResults && c.texts != QStringList{"@echo"}) {
            std::printf("bench %s: results differ\n", c.name);
            return 1;
        }
        std::printf("bench %s: ours=%.3fms reference=%.3fms ratio=%.5f\n", c.name, o, r, o / r);
    }
    return 0;
}
