#pragma once

#include "stereopairsource.h"

#include <QList>
#include <QString>

// Pairs from a folder of pictures named left<N>.<ext> and right<N>.<ext>,
// matched by N and served in the order of N, converted to 8-bit grey.
class StereoFolderPairs : public StereoPairSource
{
public:
    explicit StereoFolderPairs(const QString& folder);

    // False when the folder holds no complete pair or the pictures differ
    // in size.
    bool isValid() const { return !m_left.isEmpty(); }

    QSize size() const override { return m_size; }
    int count() const override { return int(m_left.size()); }
    void pair(int index, QByteArray& left, QByteArray& right) override;

    static QByteArray grey(const QString& path, QSize expected);

private:
    QList<QByteArray> m_left;
    QList<QByteArray> m_right;
    QSize m_size;
};
