#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

// The seed corpus of one fuzz target: a folder named on the command line of
// its seeds program, into which each seed goes as a file of its own. The
// program's main() is in seedcorpus.cpp; each target's seeds program
// defines writeSeeds().
class SeedCorpus
{
public:
    // Takes the folder from the command line; false, after printing how the
    // program is called, when it is missing.
    bool open(int argc, char** argv);
    void add(const QString& name, const QByteArray& bytes);
    // A seed whose bytes are those of an existing file.
    void addFile(const QString& name, const QString& path);
    static QByteArray read(const QString& path);
    // The program's exit status: 0 when every seed was written.
    int status() const { return m_failed ? 1 : 0; }

private:
    QDir m_dir;
    bool m_failed = false;
};

// Adds the target's seeds to the corpus.
void writeSeeds(SeedCorpus& corpus);
