// The stand-in programs as a user starts them: the device emulator and the
// informer, run as processes and read on their output.
#include <QCryptographicHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kProcessMs = 10000;

// A program that is stopped when the test is done with it, pass or fail.
struct Program
{
    QProcess process;

    explicit Program(const QString& path, const QStringList& arguments)
    {
        process.start(path, arguments);
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kProcessMs);
        }
    }
    // The first line it prints, once it has printed one.
    QString firstLine()
    {
        while (!process.canReadLine() && process.waitForReadyRead(kProcessMs)) {
        }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }
};

// The emulator's login answer for a login with these credentials.
QByteArray loginAnswer(quint16 port, const QByteArray& login, const QByteArray& password)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(kProcessMs))
        return "not connected";
    const QByteArray digest = QCryptographicHash::hash(password, QCryptographicHash::Md5).toHex();
    socket.write("\x04LOGIN=" + login + "\r\nPASS=" + digest + "\r\n");
    QByteArray answer;
    while (!answer.endsWith("\r\nVELK_ANSWER=OK\r\n") &&
           !answer.endsWith("VELK_ANSWER=ERROR\r\n") && socket.waitForReadyRead(kProcessMs))
        answer += socket.readAll();
    return answer;
}

} // namespace

class tst_ToolPrograms : public QObject
{
    Q_OBJECT

private slots:
    void emulatorHelpShowsDefaults();
    void emulatorRefusesMissingFolder_data();
    void emulatorRefusesMissingFolder();
    void emulatorDefaultCredentials_data();
    void emulatorDefaultCredentials();
    void informerSaysItServes();
};

void tst_ToolPrograms::emulatorHelpShowsDefaults()
{
    Program sim(DEVICE_SIM_PROGRAM, {QStringLiteral("--help")});
    QVERIFY(sim.process.waitForFinished(kProcessMs));
    const QString help =
        QString::fromLocal8Bit(sim.process.readAllStandardOutput())
            .replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    QVERIFY2(help.contains(QStringLiteral("(default: 127.0.0.2:5049)")), qPrintable(help));
    QVERIFY2(help.contains(QStringLiteral("--login <L> Accepted login (default: admin)")),
             qPrintable(help));
    QVERIFY2(help.contains(
                 QStringLiteral("--password <P> Accepted password, plain text (default: admin)")),
             qPrintable(help));
}

void tst_ToolPrograms::emulatorRefusesMissingFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "no-such-folder";
    QTest::newRow("a file, not a folder") << "plain-file";
}

// A mistyped folder is refused at once instead of serving nothing.
void tst_ToolPrograms::emulatorRefusesMissingFolder()
{
    QFETCH(QString, name);
    QTemporaryDir scratch;
    QFile plain(scratch.filePath(QStringLiteral("plain-file")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString dir = scratch.filePath(name);

    Program sim(DEVICE_SIM_PROGRAM, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                     QStringLiteral("--dir"), dir});
    QVERIFY2(sim.process.waitForFinished(kProcessMs), "still serving");
    QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process.exitCode(), 2);
    const QString error = QString::fromLocal8Bit(sim.process.readAllStandardError());
    QVERIFY2(error.contains(dir + QLatin1String(" is not an existing folder")), qPrintable(error));
}

void tst_ToolPrograms::emulatorDefaultCredentials_data()
{
    QTest::addColumn<QByteArray>("login");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("admin, admin") << QByteArray("admin") << QByteArray("admin") << true;
    QTest::newRow("admin, empty password") << QByteArray("admin") << QByteArray() << false;
    QTest::newRow("other login") << QByteArray("operator") << QByteArray("admin") << false;
}

void tst_ToolPrograms::emulatorDefaultCredentials()
{
    QFETCH(QByteArray, login);
    QFETCH(QByteArray, password);
    QFETCH(bool, accepted);
    Program sim(DEVICE_SIM_PROGRAM, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    const QString started = sim.firstLine();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^device .* on 127\\.0\\.0\\.1:(\\d+)$")).match(started);
    QVERIFY2(m.hasMatch(), qPrintable(started + sim.process.readAllStandardError()));
    const quint16 port = m.captured(1).toUShort();
    QVERIFY(port != 0);

    const QByteArray answer = loginAnswer(port, login, password);
    QCOMPARE(answer, accepted ? QByteArray("LENGTH=16\r\nVELK_ANSWER=OK\r\n")
                              : QByteArray("LENGTH=19\r\nVELK_ANSWER=ERROR\r\n"));
}

void tst_ToolPrograms::informerSaysItServes()
{
    Program informer(INFORMER_PROGRAM,
                     {QStringLiteral("--device"), QStringLiteral("127.0.0.9,front door"),
                      QStringLiteral("--idle-exit"), QStringLiteral("20")});
    const QString line = informer.firstLine();
    QVERIFY2(!line.isEmpty(), informer.process.readAllStandardError().constData());
    QCOMPARE(line,
             QStringLiteral("informer: serving 1 device(s) on 127.0.0.1:5049; quits after 20 s "
                            "without a request"));
}

QTEST_GUILESS_MAIN(tst_ToolPrograms)
#include "tst_toolprograms.moc"
