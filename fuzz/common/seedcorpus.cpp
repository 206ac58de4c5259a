#include "seedcorpus.h"

#include <QFile>

#include <cstdio>

bool SeedCorpus::open(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argc > 0 ? argv[0] : "seeds");
        return false;
    }
    m_dir.setPath(QString::fromLocal8Bit(argv[1]));
    return true;
}

void SeedCorpus::add(const QString& name, const QByteArray& bytes)
{
    QFile f(m_dir.filePath(QStringLiteral("seed-") + name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write seed %s\n", qPrintable(f.fileName()));
        m_failed = true;
    }
}

void SeedCorpus::addFile(const QString& name, const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        m_failed = true;
        return;
    }
    add(name, f.readAll());
}

QByteArray SeedCorpus::read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int main(int argc, char** argv)
{
    SeedCorpus corpus;
    if (!corpus.open(argc, argv))
        return 2;
    writeSeeds(corpus);
    return corpus.status();
}
