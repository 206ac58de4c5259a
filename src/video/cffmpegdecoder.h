#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>

#include <memory>

struct AVCodec;
struct AVCodecContext;
struct AVCodecParserContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

// Frees every FFmpeg object through its own free function.
struct cFfmpegDeleter
{
    void operator()(AVCodecContext* p) const;
    void operator()(AVCodecParserContext* p) const;
    void operator()(AVFrame* p) const;
    void operator()(AVPacket* p) const;
    void operator()(SwsContext* p) const;
};

// Decodes a compressed elementary video stream, delivered in arbitrary
// pieces, into opaque 32-bit RGB pictures. The codec's parser cuts the bytes
// into packets. The emitted image shares the decoder's pixel buffer, which
// the next picture overwrites: a receiver that keeps it must copy it.
class cFfmpegDecoder : public QObject
{
    Q_OBJECT
public:
    // Bound on the height a sample aspect may stretch a picture to.
    static constexpr int kMaxOutputHeight = 8192;

    explicit cFfmpegDecoder(QObject* parent = nullptr);
    ~cFfmpegDecoder() override;

    void destroy();
    // End of a finite stream: decodes what the parser and decoder still hold.
    void flush();
    bool isCreated() const { return bool(context); }

    // Height of the delivered picture for a coded height and sample aspect.
    static int outputHeight(int codedHeight, int aspectNum, int aspectDen);

public slots:
    bool create(const QString& format);
    void append(const QByteArray& bytes);

signals:
    void onFrame(const QImage& image);

private:
    template <typename T> using Ptr = std::unique_ptr<T, cFfmpegDeleter>;

    bool _decode(const uchar* packetData, int packetSize);
    bool _receiveFrames();
    bool _resize();
    void _makeOpaque(bool newScaler);

    const AVCodec* codec = nullptr;
    Ptr<AVCodecContext> context;
    Ptr<AVCodecParserContext> parser;
    Ptr<AVFrame> frame;
    Ptr<AVPacket> packet;
    Ptr<SwsContext> scaler;
    int srcWidth = -1;
    int srcHeight = -1;
    int srcFormat = -1;
    bool scalerOpaque = false; // the scaler is known to write alpha 255 itself
    bool frameReady = false;
    quint64 generation = 0; // changes whenever create or destroy runs
    QByteArray data;        // input bytes followed by the zero padding the parser wants
    QImage image;
    QByteArray pixels;
};
