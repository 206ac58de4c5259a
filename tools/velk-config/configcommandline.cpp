#include "configcommandline.h"

#include "util/cmd5hash.h"

#include <QFile>

namespace {

const char kDescription[] =
    "Reads and writes the settings of recorders on the network, with no window.\n"
    "\n"
    "  velk-config [options] get ADDRESS KEY...\n"
    "      prints KEY=VALUE for every key (file/section/name); a key the recorder\n"
    "      does not hold fails that recorder.\n"
    "  velk-config [options] set ADDRESS KEY=VALUE...\n"
    "      loads the recorder, checks every key and value (the key must exist,\n"
    "      unless --create; the value must pass the check the setup dialog\n"
    "      applies), sets the keys, stores as the dialog's OK does (state files\n"
    "      compiled), loads again and checks that every key reads back.\n"
    "  velk-config [options] export ADDRESS FILE\n"
    "      writes the settings the dialog's Export writes, in its format.\n"
    "  velk-config [options] import ADDRESS FILE\n"
    "      sets what such a file holds, checked, stored and read back as set\n"
    "      does. A recorder's own keys (its addresses and names) are left out\n"
    "      unless named with --only; an import that would give several\n"
    "      recorders the same one is refused.\n"
    "\n"
    "ADDRESS is login:digest@host[:port], or login@host[:port] with the password\n"
    "from --password-file, the environment variable VELK_PASSWORD or --password\n"
    "(prefer the first two: a command line is visible to every user of the\n"
    "machine; given several, --password wins, then --password-file). With\n"
    "--devices the addresses come from a file, one a line (# starts a comment),\n"
    "ADDRESS is left out, a recorder listed twice is worked on once, at most\n"
    "--jobs recorders are worked on at once, get prints\n"
    "\"host:port KEY=VALUE\" and export writes FILE/host_port.cfg (FILE a folder).\n"
    "One recorder's failure never stops the others.\n"
    "\n"
    "Values go to stdout (with --dry-run: KEY: \"OLD\" -> \"NEW\" for each key that\n"
    "would change; with --json: one object per recorder). Progress (one line a\n"
    "recorder as it finishes) and a final table (device, result, seconds,\n"
    "message) go to stderr. Results: ok; refused (a key or value was refused:\n"
    "nothing was stored); mismatch (stored, but some key read back otherwise: the\n"
    "message names each key with what it read); failed (the message says why);\n"
    "timeout.\n"
    "\n"
    "Exit status:\n"
    "  0  every recorder: ok\n"
    "  2  usage error, nothing was started; or some recorder refused a key or\n"
    "     value, nothing was stored on it\n"
    "  4  some recorder failed or timed out (before 2 and 6)\n"
    "  6  every recorder was reached, but some key did not read back";

QString tooMany(const QString& what)
{
    return QStringLiteral("%1 needs its operands and nothing more").arg(what);
}

} // namespace

ConfigCommandLine::ConfigCommandLine()
    : m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      m_password(QStringLiteral("password"),
                 QStringLiteral("The plain password for every address that has none; its "
                                "digest is sent. Visible to others: prefer --password-file "
                                "or VELK_PASSWORD."),
                 QStringLiteral("text")),
      m_devices(QStringLiteral("devices"),
                QStringLiteral("Work on every address in <file>, one a line."),
                QStringLiteral("file")),
      m_jobs(QStringLiteral("jobs"),
             QStringLiteral("At most <n> recorders at once, 1 to %1 (default %2).")
                 .arg(kMaxJobs)
                 .arg(ConfigOptions::kDefaultJobs),
             QStringLiteral("n")),
      m_timeout(QStringLiteral("timeout"),
                QStringLiteral("Give up on a recorder after <seconds> (default %1; 0: never).")
                    .arg(ConfigOptions::kDefaultTimeoutSeconds),
                QStringLiteral("seconds")),
      m_set(QStringLiteral("set"),
            QStringLiteral("The description's element that lists what export and import carry "
                           "(default export_set)."),
            QStringLiteral("element")),
      m_passwordFile(QStringLiteral("password-file"),
                     QStringLiteral("Read that password from the first line of <file>."),
                     QStringLiteral("file")),
      m_create(QStringLiteral("create"),
               QStringLiteral("set, import: keys the recorder does not hold yet may be added.")),
      m_dryRun(QStringLiteral("dry-run"),
               QStringLiteral("set, import: check, and print each key that would change with "
                              "its old and new value; store nothing.")),
      m_json(QStringLiteral("json"),
             QStringLiteral("One JSON object per recorder on stdout: address, result, seconds, "
                            "message, and the keys read, changed or refused.")),
      m_only(QStringLiteral("only"),
             QStringLiteral("import, export: only these keys (file/section/name; repeat the "
                            "option or separate with commas)."),
             QStringLiteral("keys")),
      m_exclude(QStringLiteral("exclude"), QStringLiteral("import, export: leave these keys out."),
                QStringLiteral("keys"))
{
    m_parser.setApplicationDescription(QString::fromLatin1(kDescription));
    m_parser.addOption(m_help);
    m_parser.addPositionalArgument(QStringLiteral("command"),
                                   QStringLiteral("get, set, export or import."));
    m_parser.addOptions({m_password, m_passwordFile, m_devices, m_jobs, m_timeout, m_set, m_create,
                         m_dryRun, m_json, m_only, m_exclude});
}

ConfigCommandLine::Outcome ConfigCommandLine::parse(const QStringList& arguments)
{
    if (!m_parser.parse(arguments))
        return usage(m_parser.errorText());
    if (m_parser.isSet(m_help)) {
        m_text = m_parser.helpText();
        return Outcome::Help;
    }
    QStringList args = m_parser.positionalArguments();
    QString error;
    if (!readVerb(args, error) || !readFlags(error) || !readPassword(error) ||
        !readDevices(args, error) || !readOperands(args, error) || !readNumbers(error))
        return usage(error);
    if (m_parser.isSet(m_set))
        m_options.exportSet = m_parser.value(m_set);
    return Outcome::Run;
}

ConfigCommandLine::Outcome ConfigCommandLine::usage(const QString& error)
{
    m_text = QStringLiteral("velk-config: %1\n\n%2").arg(error, m_parser.helpText());
    return Outcome::Usage;
}

bool ConfigCommandLine::readVerb(QStringList& args, QString& error)
{
    static const struct
    {
        const char* name;
        ConfigOptions::Verb verb;
    } verbs[] = {
        {"get", ConfigOptions::Verb::Get},
        {"set", ConfigOptions::Verb::Set},
        {"export", ConfigOptions::Verb::Export},
        {"import", ConfigOptions::Verb::Import},
    };
    const QString name = args.isEmpty() ? QString() : args.takeFirst();
    for (const auto& row : verbs) {
        if (name == QLatin1String(row.name)) {
            m_options.verb = row.verb;
            return true;
        }
    }
    error = name.isEmpty() ? QStringLiteral("give a command: get, set, export or import")
                           : QStringLiteral("unknown command \"%1\"").arg(name);
    return false;
}

bool ConfigCommandLine::readFlags(QString& error)
{
    using Verb = ConfigOptions::Verb;
    const auto bit = [](Verb verb) { return 1u << unsigned(verb); };
    const unsigned all = bit(Verb::Get) | bit(Verb::Set) | bit(Verb::Export) | bit(Verb::Import);
    const struct
    {
        const QCommandLineOption& option;
        bool& flag;
        unsigned verbs;
    } flags[] = {
        {m_create, m_options.create, bit(Verb::Set) | bit(Verb::Import)},
        {m_dryRun, m_options.dryRun, bit(Verb::Set) | bit(Verb::Import)},
        {m_json, m_options.json, all},
        {m_only, m_hasOnly, bit(Verb::Import) | bit(Verb::Export)},
        {m_exclude, m_hasExclude, bit(Verb::Import) | bit(Verb::Export)},
    };
    for (const auto& f : flags) {
        f.flag = m_parser.isSet(f.option);
        if (f.flag && !(f.verbs & bit(m_options.verb))) {
            error =
                QStringLiteral("--%1 does not go with this command").arg(f.option.names().first());
            return false;
        }
    }
    return readKeyList(m_only, m_options.only, error) &&
           readKeyList(m_exclude, m_options.exclude, error);
}

bool ConfigCommandLine::readKeyList(const QCommandLineOption& option, QStringList& keys,
                                    QString& error)
{
    for (const QString& value : m_parser.values(option)) {
        for (const QString& key : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!isKey(key.trimmed())) {
                error = QStringLiteral("\"%1\" is not file/section/name").arg(key);
                return false;
            }
            keys.append(key.trimmed());
        }
    }
    return true;
}

bool ConfigCommandLine::isKey(const QString& key)
{
    const QStringList parts = key.split(QLatin1Char('/'));
    return parts.size() == 3 && !parts.contains(QString()) && !key.contains(QLatin1Char('='));
}

bool ConfigCommandLine::readPassword(QString& error)
{
    // The first source given wins: the command line, the file, the
    // environment.
    if (m_parser.isSet(m_password)) {
        m_plainPassword = m_parser.value(m_password);
        return true;
    }
    if (m_parser.isSet(m_passwordFile))
        return readPasswordFile(m_parser.value(m_passwordFile), error);
    if (qEnvironmentVariableIsSet("VELK_PASSWORD"))
        m_plainPassword = qEnvironmentVariable("VELK_PASSWORD");
    return true;
}

bool ConfigCommandLine::readPasswordFile(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error =
            QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kMaxPasswordFileBytes + 1);
    if (bytes.size() > kMaxPasswordFileBytes) {
        error = QStringLiteral("the password file %1 is larger than %2 bytes")
                    .arg(path)
                    .arg(kMaxPasswordFileBytes);
        return false;
    }
    QString line = QString::fromUtf8(bytes).section(QLatin1Char('\n'), 0, 0);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    m_plainPassword = line;
    return true;
}

bool ConfigCommandLine::readDevices(QStringList& args, QString& error)
{
    QStringList addresses;
    if (m_parser.isSet(m_devices)) {
        m_options.manyDevices = true;
        if (!readDeviceList(m_parser.value(m_devices), addresses, error))
            return false;
    } else if (!args.isEmpty()) {
        addresses.append(args.takeFirst());
    } else {
        error = QStringLiteral("give a recorder address or --devices FILE");
        return false;
    }
    for (const QString& address : qAsConst(addresses)) {
        if (!addDevice(address, error))
            return false;
    }
    return true;
}

bool ConfigCommandLine::readDeviceList(const QString& path, QStringList& addresses, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the device list %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kMaxListBytes + 1);
    if (bytes.size() > kMaxListBytes) {
        error = QStringLiteral("the device list %1 is larger than %2 bytes")
                    .arg(path)
                    .arg(kMaxListBytes);
        return false;
    }
    for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QString address = line.section(QLatin1Char('#'), 0, 0).trimmed();
        if (!address.isEmpty())
            addresses.append(address);
    }
    if (addresses.isEmpty()) {
        error = QStringLiteral("the device list %1 names no device").arg(path);
        return false;
    }
    return true;
}

bool ConfigCommandLine::addDevice(const QString& text, QString& error)
{
    DeviceAddress address;
    if (!DeviceAddress::parse(text, address, error))
        return false;
    if (!address.hasPassword()) {
        if (m_plainPassword.isNull()) {
            // Nobody is there to answer a login dialog.
            error = QStringLiteral("no password for %1: give login:digest@host, "
                                   "--password-file, VELK_PASSWORD or --password")
                        .arg(address.display());
            return false;
        }
        address.setCredentials(address.login(), CMD5Hash::DoHash(m_plainPassword));
    }
    // Two jobs on one recorder would race each other's uploads.
    for (const DeviceAddress& known : qAsConst(m_options.devices)) {
        if (known.display() == address.display()) {
            if (!m_options.repeated.contains(address.display()))
                m_options.repeated.append(address.display());
            return true;
        }
    }
    m_options.devices.append(address);
    return true;
}

bool ConfigCommandLine::readOperands(const QStringList& args, QString& error)
{
    switch (m_options.verb) {
    case ConfigOptions::Verb::Get:
    case ConfigOptions::Verb::Set:
        return readKeys(args, error);
    case ConfigOptions::Verb::Export:
    case ConfigOptions::Verb::Import:
        if (args.size() != 1) {
            error = tooMany(QStringLiteral("export and import take one FILE:"));
            return false;
        }
        m_options.file = args.first();
        return true;
    }
    return false;
}

bool ConfigCommandLine::readKeys(const QStringList& args, QString& error)
{
    const bool assigning = m_options.verb == ConfigOptions::Verb::Set;
    if (args.isEmpty()) {
        error = assigning ? QStringLiteral("set needs KEY=VALUE") : QStringLiteral("get needs KEY");
        return false;
    }
    for (const QString& arg : args) {
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString key = assigning ? arg.left(equals) : arg;
        if (!isKey(key) || (assigning && equals <= 0)) {
            error = assigning ? QStringLiteral("\"%1\" is not file/section/name=value").arg(arg)
                              : QStringLiteral("\"%1\" is not file/section/name").arg(arg);
            return false;
        }
        m_options.keys.append(assigning ? key + QLatin1Char('/') + arg.mid(equals + 1) : key);
    }
    return true;
}

bool ConfigCommandLine::readNumbers(QString& error)
{
    const struct
    {
        const QCommandLineOption& option;
        int& value;
        int min;
        int max;
    } numbers[] = {
        {m_jobs, m_options.jobs, 1, kMaxJobs},
        {m_timeout, m_options.timeoutSeconds, 0, kMaxTimeoutSeconds},
    };
    for (const auto& n : numbers) {
        if (!m_parser.isSet(n.option))
            continue;
        bool ok = false;
        const int value = m_parser.value(n.option).toInt(&ok);
        if (!ok || value < n.min || value > n.max) {
            error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                        .arg(n.option.names().first())
                        .arg(n.min)
                        .arg(n.max)
                        .arg(m_parser.value(n.option));
            return false;
        }
        n.value = value;
    }
    return true;
}
