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
    static constexpr qint64 kMaxPasswordFileBytes = 4096;

    ConfigCommandLine();

    // `arguments` starts with the program name. After Help, text() is the
    // help; after Usage, the error followed by the help.
    Outcome parse(const QStringList& arguments);
    const ConfigOptions& options() const { return m_options; }
    const QString& text() const { return m_text; }

private:
    Outcome usage(const QString& error);
    bool readVerb(QStringList& args, QString& error);
    bool readFlags(QString& error);
    bool readKeyList(const QCommandLineOption& option, QStringList& keys, QString& error);
    static bool isKey(const QString& key);
    bool readPassword(QString& error);
    bool readPasswordFile(const QString& path, QString& error);
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
    QCommandLineOption m_passwordFile;
    QCommandLineOption m_create;
    QCommandLineOption m_dryRun;
    QCommandLineOption m_json;
    QCommandLineOption m_only;
    QCommandLineOption m_exclude;
    ConfigOptions m_options;
    // Null while no source gave one.
    QString m_plainPassword;
    bool m_hasOnly = false;
    bool m_hasExclude = false;
    QString m_text;
};
