#pragma once

#include "hostoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

// Reads panorix-setup's command line. It needs no display, so help and
// usage errors work on a bare terminal.
class HostCommandLine
{
public:
    enum class Outcome
    {
        Run,
        Help,
        Usage
    };

    static constexpr int kGrabTimeoutSeconds = 60;
    static constexpr int kMaxTimeoutSeconds = 86400;

    HostCommandLine();

    // `arguments` starts with the program name. After Help, text() is the
    // help; after Usage, the error followed by the help.
    Outcome parse(const QStringList& arguments);
    const HostOptions& options() const { return m_options; }
    const QString& text() const { return m_text; }

private:
    Outcome usage(const QString& error);
    bool readSource(QString& error);
    bool readNetworkSource(const QString& address, QString& error);
    bool readGrab(QString& error);
    bool readTimeout(QString& error);
    bool readLanguage(QString& error);

    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_password;
    QCommandLineOption m_flash;
    QCommandLineOption m_grab;
    QCommandLineOption m_store;
    QCommandLineOption m_edit;
    QCommandLineOption m_timeout;
    QCommandLineOption m_unattended;
    QCommandLineOption m_lang;
    HostOptions m_options;
    QString m_text;
};
