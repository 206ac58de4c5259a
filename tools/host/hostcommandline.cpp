#include "hostcommandline.h"

#include "util/cmd5hash.h"

#include <QLocale>

namespace {

const char kDescription[] =
    "Opens the setup dialog of one recorder: on the network as\n"
    "login[:password]@host[:port], the password as its digest (without one, the\n"
    "remembered login for that recorder is used, or a login dialog asks), or kept\n"
    "as files on a flash drive (--flash DIR). The text of every message box also\n"
    "goes to stderr.\n"
    "\n"
    "Exit status:\n"
    "  0  accepted, and what the dialog stored has arrived\n"
    "  1  cancelled: the loading, the login or the dialog\n"
    "  2  usage error\n"
    "  3  --grab saved no page\n"
    "  4  failed: loading or storing reported an error\n"
    "  5  --timeout ran out\n"
    "  6  the recorder was restarted from the dialog\n"
    "  7  the recorder was reset to its factory settings from the dialog";

} // namespace

HostCommandLine::HostCommandLine()
    : m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      m_password(QStringLiteral("password"),
                 QStringLiteral("The plain password; its digest replaces the address's password."),
                 QStringLiteral("text")),
      m_flash(QStringLiteral("flash"), QStringLiteral("Configuration kept as files in <dir>."),
              QStringLiteral("dir")),
      m_grab(QStringLiteral("grab"),
             QStringLiteral("Save a picture of every page, and of every window and message box "
                            "on the way, into <dir>, then close the dialog. Implies --unattended "
                            "and a timeout of 60 seconds."),
             QStringLiteral("dir")),
      m_store(QStringLiteral("store"),
              QStringLiteral("With --grab: close with OK, storing the settings, instead of "
                             "Cancel.")),
      m_edit(QStringLiteral("edit"),
             QStringLiteral("With --grab: before closing, set the setting <key> "
                            "(file/section/name) to <value> as if typed into its control; "
                            "may be repeated."),
             QStringLiteral("key=value")),
      m_timeout(QStringLiteral("timeout"),
                QStringLiteral("Give up after <seconds> and exit 5; 0 never gives up."),
                QStringLiteral("seconds")),
      m_unattended(QStringLiteral("unattended"),
                   QStringLiteral("Nobody is watching: answer every message box as soon as it "
                                  "appears, with OK (or its cancelling answer when it has no "
                                  "OK), and cancel the login dialog.")),
      m_lang(QStringLiteral("lang"),
             QStringLiteral("Show the texts in <language> (such as ru) whatever the locale. "
                            "The setup pages come from the recorder and follow its own "
                            "language setting, which the System page changes."),
             QStringLiteral("language"))
{
    m_parser.setApplicationDescription(QString::fromLatin1(kDescription));
    // Qt's own help option would also offer --help-all with Qt's GUI options,
    // which are not read here: the command line is read before there is a GUI.
    m_parser.addOption(m_help);
    m_parser.addPositionalArgument(QStringLiteral("address"),
                                   QStringLiteral("login[:password]@host[:port] of a recorder."));
    m_parser.addOptions(
        {m_password, m_flash, m_grab, m_store, m_edit, m_timeout, m_unattended, m_lang});
}

HostCommandLine::Outcome HostCommandLine::parse(const QStringList& arguments)
{
    if (!m_parser.parse(arguments))
        return usage(m_parser.errorText());
    if (m_parser.isSet(m_help)) {
        m_text = m_parser.helpText();
        return Outcome::Help;
    }
    QString error;
    if (!readSource(error) || !readGrab(error) || !readTimeout(error) || !readLanguage(error))
        return usage(error);
    m_options.unattended = m_parser.isSet(m_unattended) || !m_options.grabDir.isEmpty();
    return Outcome::Run;
}

HostCommandLine::Outcome HostCommandLine::usage(const QString& error)
{
    m_text = QStringLiteral("panorix-setup: %1\n\n%2").arg(error, m_parser.helpText());
    return Outcome::Usage;
}

bool HostCommandLine::readSource(QString& error)
{
    const QStringList args = m_parser.positionalArguments();
    if (m_parser.isSet(m_flash) == (args.size() == 1) || args.size() > 1) {
        error = QStringLiteral("give one recorder address or --flash DIR");
        return false;
    }
    if (!m_parser.isSet(m_flash))
        return readNetworkSource(args.first(), error);
    if (m_parser.isSet(m_password)) {
        error = QStringLiteral("--password goes with a recorder address, not with --flash");
        return false;
    }
    m_options.flashDir = m_parser.value(m_flash);
    return true;
}

bool HostCommandLine::readNetworkSource(const QString& address, QString& error)
{
    if (!DeviceAddress::parse(address, m_options.address, error))
        return false;
    if (m_parser.isSet(m_password)) {
        m_options.address.setCredentials(m_options.address.login(),
                                         CMD5Hash::DoHash(m_parser.value(m_password)));
    }
    m_options.network = true;
    return true;
}

bool HostCommandLine::readGrab(QString& error)
{
    m_options.grabDir = m_parser.value(m_grab);
    if (m_parser.isSet(m_grab) && m_options.grabDir.isEmpty()) {
        error = QStringLiteral("--grab needs a folder");
        return false;
    }
    if (m_parser.isSet(m_store) && !m_parser.isSet(m_grab)) {
        error = QStringLiteral("--store goes with --grab");
        return false;
    }
    m_options.store = m_parser.isSet(m_store);
    if (m_parser.isSet(m_edit) && !m_parser.isSet(m_grab)) {
        error = QStringLiteral("--edit goes with --grab");
        return false;
    }
    for (const QString& assignment : m_parser.values(m_edit)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals < 0 || assignment.left(equals).count(QLatin1Char('/')) != 2) {
            error =
                QStringLiteral("--edit takes file/section/name=value, not \"%1\"").arg(assignment);
            return false;
        }
        m_options.edits << assignment.left(equals) + QLatin1Char('/') + assignment.mid(equals + 1);
    }
    return true;
}

bool HostCommandLine::readTimeout(QString& error)
{
    // Nobody is there to close what a grab run waits for.
    m_options.timeoutSeconds = m_parser.isSet(m_grab) ? kGrabTimeoutSeconds : 0;
    if (!m_parser.isSet(m_timeout))
        return true;
    bool ok = false;
    const int seconds = m_parser.value(m_timeout).toInt(&ok);
    if (!ok || seconds < 0 || seconds > kMaxTimeoutSeconds) {
        error = QStringLiteral("--timeout takes whole seconds from 0 to %1, not \"%2\"")
                    .arg(kMaxTimeoutSeconds)
                    .arg(m_parser.value(m_timeout));
        return false;
    }
    m_options.timeoutSeconds = seconds;
    return true;
}

bool HostCommandLine::readLanguage(QString& error)
{
    if (!m_parser.isSet(m_lang))
        return true;
    const QString name = m_parser.value(m_lang);
    if (QLocale(name).language() == QLocale::C || name.isEmpty()) {
        error = QStringLiteral("--lang takes a language such as ru or en, not \"%1\"").arg(name);
        return false;
    }
    m_options.language = name;
    return true;
}
