// The device functions of NBXNetSetup: short exchanges over a fresh
// connection, and the batched picture adjustments.

#include "nbxnetsetup.h"

#include "util/ctimezoner.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>

struct NBXNetSetup::FunctionRow
{
    using Payload = bool (NBXNetSetup::*)(const FunctionRow&, const QString&, QByteArray&);

    const char* name;
    const char* request;
    // Filled with the values of `keys` in order, as %1, %2.
    const char* text;
    QStringList keys;
    Payload payload;
    bool put;
};

const QList<NBXNetSetup::FunctionRow> NBXNetSetup::mFunctions = {
    {"clear_email_usb",
     "DO CLEAR EMAILS\r\n",
     "DISC='USB'\n",
     {},
     &NBXNetSetup::payloadFromKeys,
     true},
    {"clear_email_disk",
     "DO CLEAR EMAILS\r\n",
     "DISC='DISC1'\n",
     {},
     &NBXNetSetup::payloadFromKeys,
     true},
    {"clear_email_disk1",
     "DO CLEAR EMAILS\r\n",
     "DISC='DISC2'\n",
     {},
     &NBXNetSetup::payloadFromKeys,
     true},
    {"get_report", "GET REPORT\r\n", "", {}, &NBXNetSetup::payloadFromKeys, false},
    {"soft_istall_packet", "INSTALL DEB\r\n", "", {}, &NBXNetSetup::payloadFromFile, true},
    {"remove_package",
     "PUT SOFT CONFIG\r\n",
     "PACKAGE_DELETE=%1\n",
     {QStringLiteral("general/remove_package/name")},
     &NBXNetSetup::payloadFromKeys,
     true},
    {"soft_reboot", "DO REBOOT\r\n", "", {}, &NBXNetSetup::payloadFromKeys, true},
    {"soft_reset", "RESET SETTINGS\r\n", "", {}, &NBXNetSetup::payloadFromKeys, true},
    {"format_usb", "DO FORMAT\r\n", "DISC='USB'\n", {}, &NBXNetSetup::payloadFromKeys, true},
    {"format_disk", "DO FORMAT\r\n", "", {}, &NBXNetSetup::payloadFromKeys, true},
    {"format_hdd", "DO FORMAT\r\n", "DISC='HDD'\n", {}, &NBXNetSetup::payloadFromKeys, true},
    {"format_disk1", "DO FORMAT\r\n", "DISC='DISC1'\n", {}, &NBXNetSetup::payloadFromKeys, true},
    {"format_disk2", "DO FORMAT\r\n", "DISC='DISC2'\n", {}, &NBXNetSetup::payloadFromKeys, true},
    {"set_time_current", "PUT TIME CONFIG\r\n", "", {}, &NBXNetSetup::payloadCurrentTime, true},
    {"set_time",
     "PUT TIME CONFIG\r\n",
     "YYYYMMDDHHMMSS=%1\nTIME_ZONE=%2\n",
     {QStringLiteral("time/untitled/YYYYMMDDHHMMSS"), QStringLiteral("time/untitled/TIME_ZONE")},
     &NBXNetSetup::payloadFromKeys,
     true},
    {"set_time_ntp",
     "PUT TIME CONFIG\r\n",
     "USENTP=1\nTIME_SERVER=%1\nNTP_SYNC=1\nTIME_ZONE=%2\n",
     {QStringLiteral("time/untitled/TIME_SERVER"), QStringLiteral("time/untitled/TIME_ZONE")},
     &NBXNetSetup::payloadFromKeys,
     true},
    {"send_test_email", "SEND TEST EMAIL\r\n", "", {}, &NBXNetSetup::payloadFromKeys, true},
};

namespace {

// The picture adjustments sent when the description names none.
const QStringList ds = {
    QStringLiteral("streams/stream_0/brightness"), QStringLiteral("streams/stream_0/contrast"),
    QStringLiteral("streams/stream_0/saturation"), QStringLiteral("streams/stream_0/hue"),
    QStringLiteral("streams/stream_0/sharpness"),  QStringLiteral("streams/stream_0/agc"),
    QStringLiteral("streams/stream_0/gain"),
};

} // namespace

void NBXNetSetup::function(QString s, QString param)
{
    if (s == QLatin1String("adjust_bcsh")) {
        queueAdjustments(param);
        return;
    }
    if (s == QLatin1String("cancel")) {
        emit progress(100);
        return;
    }
    for (const FunctionRow& row : mFunctions) {
        if (s != QLatin1String(row.name))
            continue;
        QByteArray payload;
        if ((this->*row.payload)(row, param, payload))
            _do_command(QByteArray(row.request), payload, row.put);
        return;
    }
    NBXSetup::function(s, param);
}

bool NBXNetSetup::payloadFromKeys(const FunctionRow& row, const QString&, QByteArray& out)
{
    const QString text = QString::fromLatin1(row.text);
    QStringList values;
    for (const QString& key : row.keys)
        values.append(value(key));
    // One substitution pass, so a value holding "%2" stays as it is.
    if (values.size() == 1)
        out = text.arg(values.at(0)).toUtf8();
    else if (values.size() == 2)
        out = text.arg(values.at(0), values.at(1)).toUtf8();
    else
        out = text.toUtf8();
    return true;
}

bool NBXNetSetup::payloadFromFile(const FunctionRow&, const QString& param, QByteArray& out)
{
    const QString path = value(param);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        emit pseudothrow(tr("Can't read file \"%1\"").arg(path));
        return false;
    }
    out = file.readAll();
    return true;
}

bool NBXNetSetup::payloadCurrentTime(const FunctionRow&, const QString&, QByteArray& out)
{
    CTimeZoner zone(value(QStringLiteral("time/untitled/TIME_ZONE")).toLocal8Bit().constData());
    const auto now = static_cast<unsigned long>(QDateTime::currentSecsSinceEpoch());
    // The zone's wall-clock time, written out as if it were UTC.
    const QDateTime local = QDateTime::fromSecsSinceEpoch(qint64(zone.ToLocal(now)), Qt::UTC);
    out = QStringLiteral("YYYYMMDDHHMMSS=%1")
              .arg(local.toString(QStringLiteral("yyyyMMddhhmmss")))
              .toUtf8();
    return true;
}

void NBXNetSetup::queueAdjustments(const QString& param)
{
    m_adjust.queue(param.isEmpty() ? ds : param.split(QLatin1Char(',')));
    if (m_adjust.hasQueued())
        m_adjustTimer.start();
}

QString NBXNetSetup::_loadedValue(const QString& key)
{
    // Every received file has its unedited copy beside it. A key that is no
    // key has been reported already, when its value was read.
    const QString file = key.section(QLatin1Char('/'), 0, 0) + QStringLiteral(".original");
    if (key.count(QLatin1Char('/')) < 2 || !fileExists(file))
        return QString();
    return value(file + QLatin1Char('/') + key.section(QLatin1Char('/'), 1));
}

void NBXNetSetup::bcshTimer()
{
    if (m_state != 0) {
        m_adjustTimer.start();
        return;
    }
    const QByteArray payload =
        m_adjust.takeBatch([this](const QString& key) { return value(key); },
                           [this](const QString& key) { return _loadedValue(key); });
    if (!payload.isEmpty())
        _start(QByteArray("ADJUST VIDEO\r\n"), payload, true, Exchange::Adjust);
}

void NBXNetSetup::revertLive()
{
    // What still waits for its batch never reached the device.
    m_adjustTimer.stop();
    m_adjust.dropQueue();
    const QDeadlineTimer deadline(kRevertMs);
    if (!_waitIdle(deadline))
        return;
    const QByteArray payload =
        m_adjust.takeRestore([this](const QString& key) { return _loadedValue(key); });
    if (payload.isEmpty())
        return;
    // The host may delete this source as soon as the dialog is gone: the
    // exchange has to end here.
    _start(QByteArray("ADJUST VIDEO\r\n"), payload, true, Exchange::Adjust);
    _waitIdle(deadline);
}
