// Seeds for the INI fuzz target: the sample device's settings files and a
// few awkward layouts.
#include <QDir>
#include <QFile>

#include <cstdio>

// A literal whole, with the NUL bytes inside it.
template <size_t N> QByteArray withNul(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1));
}

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
        // A file, NUL, then section, name and two values to set in turn.
        withNul("[a]\nj = 1\n\0a\x01k\x01x\ny\x01z"),
        withNul("j = 1\n\0net\x01x\x01"
                "1\x01"
                "2"),
        withNul("[a]\nk = 1\nk = 2\n\0a\x01k\x01it's \"x\"\x01"
                "5"),
        withNul("\0network\x01login\x01"
                "admin\x01root"),
    };
    int n = 0;
    for (const QByteArray& text : extra) {
        QFile f(corpus.filePath(QStringLiteral("layout-%1.ini").arg(n++)));
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
    }
    return 0;
}
