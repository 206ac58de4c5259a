#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

class QXmlStreamReader;

// One streaming pass over a whole setup description, before anything builds
// a tree of it: a tree costs tens of times the text and its parser slows
// down with depth, so an oversized or absurdly nested file is refused here,
// where it costs little, and so is a file that is not well-formed to its end.
class cDescriptionScanner
{
    Q_DECLARE_TR_FUNCTIONS(cDescriptionScanner)

public:
    // Real descriptions are a few hundred kilobytes and a few dozen levels.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
    static constexpr int kMaxDepth = 256;

    enum Fault
    {
        None,
        Unreadable,
        TooLarge,
        TooDeep,
        Malformed
    };

    // Called at each start element; `depth` is 1 for the document element.
    using Visitor = std::function<void(int depth, const QXmlStreamReader& xml)>;

    // Reads the file at `path` to its end. Element names are taken as
    // written, without namespace processing. False when it has a fault.
    bool scan(const QString& path, const Visitor& visit = Visitor());
    // The same for a description held in memory.
    bool scanText(const QByteArray& text, const Visitor& visit = Visitor());

    Fault fault() const { return m_fault; }
    // What is wrong and where, for a user; `name` says which description.
    QString errorString(const QString& name) const;

private:
    bool scanXml(QXmlStreamReader& xml, const Visitor& visit);
    bool fail(Fault fault, const QXmlStreamReader* xml = nullptr);

    Fault m_fault = None;
    qint64 m_line = 0;
    qint64 m_column = 0;
    QString m_detail;
};
