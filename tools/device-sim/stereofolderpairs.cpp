#include "stereofolderpairs.h"

#include <QDir>
#include <QImage>
#include <QMap>
#include <QRegularExpression>

StereoFolderPairs::StereoFolderPairs(const QString& folder)
{
    const QRegularExpression name(QStringLiteral("^(left|right)(\\d+)\\.\\w+$"));
    QMap<int, QString> sides[2];
    for (const QString& file : QDir(folder).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        if (m.hasMatch())
            sides[m.captured(1) == QLatin1String("right")].insert(m.captured(2).toInt(),
                                                                  QDir(folder).filePath(file));
    }
    for (auto it = sides[0].constBegin(); it != sides[0].constEnd(); ++it) {
        if (!sides[1].contains(it.key()))
            continue;
        if (m_size.isEmpty())
            m_size = QImage(it.value()).size();
        const QByteArray left = grey(it.value(), m_size);
        const QByteArray right = grey(sides[1].value(it.key()), m_size);
        if (left.isEmpty() || right.isEmpty()) {
            m_left.clear();
            m_right.clear();
            return;
        }
        m_left.append(left);
        m_right.append(right);
    }
}

void StereoFolderPairs::pair(int index, QByteArray& left, QByteArray& right)
{
    left = m_left.at(index);
    right = m_right.at(index);
}

QByteArray StereoFolderPairs::grey(const QString& path, QSize expected)
{
    const QImage image = QImage(path).convertToFormat(QImage::Format_Grayscale8);
    if (image.isNull() || image.size() != expected)
        return QByteArray();
    QByteArray out;
    out.reserve(qsizetype(image.width()) * image.height());
    for (int row = 0; row < image.height(); ++row)
        out.append(reinterpret_cast<const char*>(image.constScanLine(row)), image.width());
    return out;
}
