#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// How the settings reader sees one line of an INI-style file, and how the
// writer spells the lines it makes.
class cIniLine
{
public:
    // Keys before the first header belong to this section.
    static inline const QString kUntitled = QStringLiteral("untitled");

    // How one line of the file reads.
    struct Info
    {
        enum Kind
        {
            Other,
            Key,
            Header
        };
        Kind kind = Other;
        QString name;  // key name or section name
        QString value; // the value of a key line
    };
    static Info classify(const QString& line);
    // The same, by the two patterns alone (the reference for classify()).
    static Info classifyByPattern(const QString& line);
    static std::vector<Info> classifyAll(const QStringList& lines);

    // The value as the writer puts it after "name = ".
    static QString quoted(const QString& value);
    // The line the writer puts for one entry: name = value, quoted as needed.
    static QString entryText(QStringView name, const QString& value);
    static QString headerText(QStringView section);

    // Every line with its line break, as a text-mode read gives them.
    static QStringList splitLines(const QByteArray& bytes);
    // The bytes of `lines` that splitLines() gives back as they are: a line
    // whose text ends in a carriage return gets one more before its line
    // feed, since a read drops one there.
    static QByteArray joinLines(const QStringList& lines);
    // Whether reading `lines` back from a file would give exactly these lines.
    static bool splitsBackTheSame(const QStringList& lines);

private:
    static Info classifyHeader(const QString& line);
};
