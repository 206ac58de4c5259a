#pragma once

#include <QByteArray>
#include <QString>

// How the emulated device misbehaves during one run, for tests of the
// client's error paths.
struct DeviceFaults
{
    enum Mode
    {
        None,
        RefuseFirstLogin, // the first login is refused whatever it holds
        AnswerError,      // every request is answered ERROR with `message`
        Silent,           // requests are never answered
        CloseMidFrame,    // half an answer frame, then the connection closes
        Garbage,          // a complete frame without an answer line
        HugeLength,       // a frame that announces far more than any answer
        SnapshotError,    // snapshots are answered "-<digit in message>:..."
        SnapshotClose,    // snapshots end with a close before their length
        PtzGarbage,       // PTZ pictures come with garbage in front
        PtzSizeMismatch,  // each PTZ picture follows one whose header size is wrong
        PtzHugeWidth,     // each PTZ picture follows one 100000 pixels wide
        DropKey,          // uploads are stored without the key file/section/name in `message`
        AnswerLong,       // every request is answered with 1 MiB of text ("ok": after an OK)
        NegativeLength,   // every request is answered with a negative LENGTH
        StreamJunk,       // the live stream sends bytes that are not RSN3, as fast as taken
        PtzFlood,         // the PTZ service floods position reports ("frames": and pictures)
        StereoTrickle,    // the stereo service sends a pair at one byte every 200 ms
        StereoNoAccept,   // the stereo service never accepts a connection
    };
    // Size of the text AnswerLong sends.
    static constexpr qsizetype kLongAnswer = 1024 * 1024;

    Mode mode = None;
    QByteArray message;
    // The fault hits requests that bring a file only: the load goes well and
    // the store after OK fails, as when a recorder goes away meanwhile.
    bool uploadsOnly = false;

    // Reads "refuse-login", "error[:MESSAGE]", "silent", "close-mid-frame",
    // "garbage", "huge-length", "snapshot-error:DIGIT", "snapshot-close",
    // "ptz-garbage", "ptz-size-mismatch", "ptz-huge-width",
    // "drop-key:FILE/SECTION/NAME", "answer-long[:ok]", "negative-length",
    // "stream-junk", "ptz-flood[:frames]", "stereo-trickle" or
    // "stereo-noaccept", each of the command faults also with the prefix
    // "upload-" for uploadsOnly; false for anything else.
    static bool parse(const QString& text, DeviceFaults& out);

    // What the device keeps of an upload to `file` (its name in the device
    // folder): the payload itself, or without the dropped key's lines while
    // the device acknowledges the upload as whole.
    QByteArray keptUpload(const QString& file, const QByteArray& payload) const;

    // The answer frame of AnswerLong: a long error text with control
    // characters in it, or the same text after an OK.
    QByteArray longAnswer() const;
};
