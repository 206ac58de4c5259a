// The schedule, mask and disk health pages of the sample device, edited in
// a whole session over the flash-drive source on a copy of the sample.
#include "../e2e/sessiondriver.h"
#include "config/nbxflashdrivesetup.h"
#include "controls/cmaskedimage.h"
#include "controls/cvelkschedule.h"
#include "controltesting.h"
#include "snapshotpicture.h"

#include <QDir>
#include <QProgressBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kDays = {"monday", "tuesday",  "wednesday", "thursday",
                           "friday", "saturday", "sunday"};

struct DeviceCopy
{
    QTemporaryDir dir;
    DeviceCopy()
    {
        const QDir sample(QStringLiteral(SAMPLE_DEVICE_DIR));
        for (const QString& name : sample.entryList(QDir::Files))
            QFile::copy(sample.filePath(name), dir.filePath(name));
    }
    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> out;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            out[name] = readBytes(dir.filePath(name));
        return out;
    }
};

// Runs a session on `device` that drives its dialog with `driver` and then
// presses OK (or Cancel); fails on any message.
void session(DeviceCopy& device, const std::function<void(QDialog*)>& driver, bool store = true)
{
    NBXFlashDriveSetup setup(device.dir.path());
    QStringList errors;
    const int result = runSession(
        setup,
        [&](QDialog* d) {
            driver(d);
            d->findChild<QPushButton*>(store ? QStringLiteral("pbOK") : QStringLiteral("pbCancel"))
                ->click();
        },
        errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    QCOMPARE(result, store ? 1 : 0);
}

QPoint cellCentre(cVelkSchedule* s, int column, int row)
{
    const int side = s->cellSize();
    return s->gridRect().topLeft() + QPoint(column * side + side / 2, row * side + side / 2);
}

QPoint cellCentre(cMaskedImage* m, int column, int row)
{
    const int w = m->width() / m->columnCount(), h = m->height() / m->rowCount();
    return QPoint(column * w + w / 2, row * h + h / 2);
}

// The hours of `day` from `from` to `to` in timers.ini turned off.
void turnOff(QByteArray& timers, const QString& day, int from, int to)
{
    const qsizetype section = timers.indexOf("[ " + day.toLatin1() + " ]");
    for (int h = from; h <= to; ++h) {
        const QByteArray on = "\nh" + QByteArray::number(h) + " = 1\n";
        const qsizetype at = timers.indexOf(on, section);
        QVERIFY(at > section);
        timers.replace(at, on.size(), "\nh" + QByteArray::number(h) + " = 0\n");
    }
}

// Values of an INI text by section/name, without their quotes.
QMap<QString, QString> keysOf(const QByteArray& text)
{
    QMap<QString, QString> out;
    QString section;
    for (QString line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
        } else if (line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char(';'))) {
            QString value = line.section(QLatin1Char('='), 1).trimmed();
            if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
                value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            out[section + QLatin1Char('/') + line.section(QLatin1Char('='), 0, 0).trimmed()] =
                value;
        }
    }
    return out;
}

// The motion mask itself: the PTZ page's alarm editor is a masked image too.
cMaskedImage* motionMask(QDialog* d)
{
    for (cMaskedImage* image : d->findChildren<cMaskedImage*>())
        if (image->metaObject() == &cMaskedImage::staticMetaObject)
            return image;
    return nullptr;
}

void grabPage(QDialog* d, const QString& title, const QString& file)
{
    showPage(d, title);
    const QString path = QDir::current().filePath(file);
    QVERIFY(d->grab().save(path));
    qInfo("grabbed to %s", qPrintable(path));
}

} // namespace

class tst_ControlPages : public QObject
{
    Q_OBJECT

private slots:
    void dragsThenOkStoreExactlyTheirKeys();
};

void tst_ControlPages::dragsThenOkStoreExactlyTheirKeys()
{
    // What storing the unedited sample writes (the state file is compiled
    // on the way out), to compare the edited copy with.
    DeviceCopy untouched;
    session(untouched, [](QDialog*) {});
    const QMap<QString, QByteArray> reference = untouched.files();

    DeviceCopy device;
    session(device, [](QDialog* d) {
        showPage(d, QStringLiteral("Schedule"));
        auto* schedule = d->findChild<cVelkSchedule*>();
        QVERIFY(schedule);
        // Monday and Tuesday, 9:00 to 11:00, crossed out.
        drag(schedule, Qt::LeftButton, {cellCentre(schedule, 9, 0), cellCentre(schedule, 11, 1)});

        showPage(d, QStringLiteral("Video"));
        auto* mask = motionMask(d);
        QVERIFY(mask);
        mask->setPixmap(QPixmap::fromImage(SnapshotPicture::draw(QSize(704, 576), QTime(12, 0))));
        // Cells 52 to 54 and 62 to 64 marked.
        drag(mask, Qt::LeftButton, {cellCentre(mask, 2, 5), cellCentre(mask, 4, 6)});

        grabPage(d, QStringLiteral("Video"), QStringLiteral("mask-page.png"));
        grabPage(d, QStringLiteral("Schedule"), QStringLiteral("schedule-page.png"));
        grabPage(d, QStringLiteral("Storage"), QStringLiteral("storage-page.png"));
        QStringList health;
        // The pages' bars, not the dialog's own progress row.
        for (QProgressBar* bar : d->findChild<QTabWidget*>()->findChildren<QProgressBar*>())
            health << bar->text();
        QCOMPARE(health, (QStringList{"86%", "18%"}));
    });

    QMap<QString, QByteArray> expected = reference;
    turnOff(expected["timers.ini"], "monday", 9, 11);
    turnOff(expected["timers.ini"], "tuesday", 9, 11);
    const QMap<QString, QByteArray> stored = device.files();
    QCOMPARE(stored.keys(), expected.keys());
    // A file that takes an edit is written in the settings writer's own
    // form (values other controls wrote while the dialog was built come out
    // quoted), so streams.ini is compared key by key.
    for (const QString& name : expected.keys())
        if (name != QLatin1String("streams.ini"))
            QCOMPARE(QString::fromUtf8(stored[name]).split('\n'),
                     QString::fromUtf8(expected[name]).split('\n'));
    QMap<QString, QString> streams = keysOf(reference["streams.ini"]);
    streams["motion/mask"] = QStringLiteral("ff030000000070c00100000000");
    QCOMPARE(keysOf(stored["streams.ini"]), streams);

    // Read back: exactly the edited cells, everything else as the sample has it.
    session(
        device,
        [](QDialog* d) {
            QVector<int> hours = d->findChild<cVelkSchedule*>()->value();
            QCOMPARE(hours.size(), 168);
            for (int day = 0; day < 7; ++day)
                for (int h = 0; h < 24; ++h) {
                    const bool on = day < 5 ? (h >= 8 && h <= 20) : (h >= 10 && h <= 17);
                    const bool edited = day < 2 && h >= 9 && h <= 11;
                    QCOMPARE(hours[day * 24 + h], on && !edited ? 0 : 1);
                }
            const QVector<int> cells = motionMask(d)->cells();
            QList<int> marked;
            for (int i = 0; i < cells.size(); ++i)
                if (cells[i])
                    marked << i;
            QCOMPARE(marked, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 52, 53, 54, 62, 63, 64}));
        },
        false);
}

QTEST_MAIN(tst_ControlPages)
#include "tst_controlpages.moc"
