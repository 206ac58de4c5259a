// Seeds for the INI fuzz target: the sample device's settings files and a
// few awkward layouts.
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    const QDir sample(QStringLiteral(SAMPLE_DEVICE_SOURCE));
    for (const QString& name : sample.entryList({QStringLiteral("*.ini")}, QDir::Files))
        QFile::copy(sample.filePath(name), corpus.filePath(QStringLiteral("sample-") + name));
    const QByteArray extra[] = {
        "[ z ]\ny = 1\n[ a ]\nx = 2\n[ z ]\nx = 3\n",
        "top = 1\n[ s ]\nname=My camera\nx = 1 ; note\n",
        "a=b = 1\r\nempty =\r\n[ last ]",
        "x = 'quoted'\ny = \"Bob's\"\nz = 1 \n# tail",
    };
    int n = 0;
    for (const QByteArray& text : extra) {
        QFile f(corpus.filePath(QStringLiteral("layout-%1.ini").arg(n++)));
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
    }
    return 0;
}
