#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Recognises one answer frame of the device link: "LENGTH=n\r\n" followed by
// n bytes, which are the payload and the closing VELK_ANSWER line.
class NBXAnswerParser
{
public:
    // The largest answer we agree to hold; a device announcing more is
    // treated as answering nonsense rather than as a reason to allocate.
    static constexpr qint64 kMaxAnswer = qint64(256) * 1024 * 1024;
    // The length line must end within this many bytes from the start. Every
    // arrival is parsed again from the start, so a search through all that
    // was received would cost time in the square of a length-less answer's
    // size (an hour and more up to kMaxAnswer).
    static constexpr qsizetype kLengthLineWithin = 4096;

    enum Result
    {
        Waiting, // the frame is not complete yet
        Ready,   // the buffer now holds the payload alone
        Failed   // the frame is malformed or an error; `message` says why
    };

    // Examines the bytes received so far. On Ready the length line and the
    // answer line have been taken off `buffer`; otherwise it is unchanged.
    static Result parse(QByteArray& buffer, QString& message);

private:
    enum class Line
    {
        Missing,   // no length tag yet, or only after a NUL byte
        Partial,   // the tag and digits so far, its end still to come
        Malformed, // the first tag is followed by something else than a number
        Found
    };
    // The first length tag before any NUL byte within `head`: its line's
    // length and value when it is whole. `value` is -1 when the number is
    // too big.
    static Line findLength(QByteArrayView head, qsizetype& lineLength, qint64& value);
    static Result parseAnswerLine(QByteArray& buffer, QString& message);
};
