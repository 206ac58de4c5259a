#include "setup/conlineview.h"

#include <QtTest>

#include <cstring>

namespace {

// A sender that hands on every frame in one buffer, as a decoder does.
class ReusedFrame
{
public:
    ReusedFrame() : m_pixels(40 * 30 * 4, '\0') {}
    QPixmap paint(QRgb colour)
    {
        for (qsizetype i = 0; i < m_pixels.size(); i += 4)
            std::memcpy(m_pixels.data() + i, &colour, 4);
        const QImage image(reinterpret_cast<const uchar*>(m_pixels.constData()), 40, 30, 40 * 4,
                           QImage::Format_RGB32);
        return QPixmap::fromImage(image);
    }

private:
    QByteArray m_pixels;
};

QRgb middleOf(const QLabel& view)
{
    return view.pixmap().toImage().pixel(20, 15);
}

} // namespace

class tst_cOnlineView : public QObject
{
    Q_OBJECT
private slots:
    void everyPictureIsShownAsItWas();
};

void tst_cOnlineView::everyPictureIsShownAsItWas()
{
    ReusedFrame frame;
    cOnlineView view;
    view.resize(80, 60);

    // Called by name, as the time tasks connect it.
    const auto show = [&](const QPixmap& p) {
        QVERIFY(
            QMetaObject::invokeMethod(&view, "setPixmap", Qt::DirectConnection, Q_ARG(QPixmap, p)));
    };
    show(frame.paint(qRgb(255, 0, 0)));
    QCOMPARE(middleOf(view), qRgb(255, 0, 0));
    // The next frame, in the same buffer and under the same cache key.
    show(frame.paint(qRgb(0, 0, 255)));
    QCOMPARE(middleOf(view), qRgb(0, 0, 255));
    // The sender reuses its buffer again, without handing the picture on.
    frame.paint(qRgb(0, 255, 0));
    QCOMPARE(middleOf(view), qRgb(0, 0, 255));
    QCOMPARE(view.grab().toImage().pixel(40, 30), qRgb(0, 0, 255));
}

QTEST_MAIN(tst_cOnlineView)
#include "tst_conlineview.moc"
