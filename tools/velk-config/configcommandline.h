#pragma once

#include "configoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

// Reads velk-config's command line; needs no display.
class ConfigCommandLine
{
public:
    enum class Outcome
    {
        Run,
        Help,
        Usage
    };

    static constexpr int kMaxJobs = 64;
    static constexpr int kMaxTimeoutSeconds = 86400;
    // A device list longer than this is refused: it is a mistake, not a site.
    static constexpr qint64 kMaxListBytes = 1024 * 1024;

    ConfigCommandLine();

    // `arguments` starts with the program name. After Help, text() is the
    // help; after Usage, the error followed by the help.
    Outcome parse(const QStringList& arguments);
    const ConfigOptions& options() const { return m_options; }
    const QString& text() const { return m_text; }

private:
    Outcome usage(const QString& error);
    bool readVerb(QStringList& args, QString& error);
    bool readDevices(QStringList& args, QString& error);
    bool readDeviceList(const QString& path, QStringList& addresses, QString& error);
    bool addDevice(const QString& text, QString& error);
    bool readOperands(const QStringList& args, QString& error);
    bool readKeys(const QStringList& args, QString& error);
    bool readNumbers(QString& error);

    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_password;
    QCommandLineOption m_devices;
    QCommandLineOption m_jobs;
    QCommandLineOption m_timeout;
    QCommandLineOption m_set;
    ConfigOptions m_options;
    QString m_text;
};
