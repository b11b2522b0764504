#include "cli/CliArguments.h"

#include <QCommandLineParser>
#include <QHash>
#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

/// Nine digits: every number the options take fits an int whole.
constexpr qint64 kLargestNumber = 999999999;
/// The card title's size in bytes, the most any one part of it can take.
constexpr int kTitleBudgetMax = 40;

/// A whole decimal number from 0 to kLargestNumber, and nothing else: no sign, no blank,
/// no unit, no digits of other scripts.
std::optional<int> wholeNumber(const QString &text)
{
    const bool digitsOnly = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (text.isEmpty() || !digitsOnly)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value > kLargestNumber)
        return std::nullopt;
    return int(value);
}

/// One command's options. Each option that takes a value has the message that a missing or
/// bad value gives, so every complaint names the option.
class CommandLine final {
public:
    void addSwitch(const QString &name) { m_parser.addOption(QCommandLineOption(name)); }

    void addValue(const QString &name, const QString &usage)
    {
        m_parser.addOption(QCommandLineOption(name, QString(), u"value"_s));
        m_usage.insert(name, usage);
    }

    /// Throws UsageError for an unknown option, a missing value or a value given to a switch.
    void parse(const QString &command, const QStringList &args)
    {
        if (m_parser.parse(QStringList{command} + args))
            return;
        const QStringList unknown = m_parser.unknownOptionNames();
        if (!unknown.isEmpty())
            throw UsageError{u"unknown option: "_s + spelled(args, unknown.first())};
        // A value option with nothing after it is the only way to get fewer values than uses.
        const QStringList used = m_parser.optionNames();
        for (auto it = m_usage.cbegin(); it != m_usage.cend(); ++it) {
            if (used.count(it.key()) > m_parser.values(it.key()).size())
                throw badValue(it.key());
        }
        // What is left is a value given to a switch, "--add=1".
        for (const QString &a : args) {
            const QString name = a.mid(2).section(u'=', 0, 0);
            if (a.startsWith(u"--"_s) && a.contains(u'=') && used.contains(name) && !m_usage.contains(name))
                throw UsageError{u"--"_s + name + u" takes no value"_s};
        }
        throw UsageError{m_parser.errorText()};
    }

    /// Every option given, in command-line order, with its value (empty for a switch), so
    /// that the last of --add and --replace wins and every value given is checked.
    QList<std::pair<QString, QString>> given() const
    {
        QList<std::pair<QString, QString>> options;
        QHash<QString, int> taken;
        for (const QString &name : m_parser.optionNames()) {
            const QString value = m_usage.contains(name) ? m_parser.values(name).value(taken[name]++) : QString();
            options.append({name, value});
        }
        return options;
    }

    QStringList positional() const { return m_parser.positionalArguments(); }

    UsageError badValue(const QString &name) const { return UsageError{m_usage.value(name)}; }

private:
    /// The option as it was written: "--name", or "-n" among short ones.
    static QString spelled(const QStringList &args, const QString &name)
    {
        const QString longForm = u"--"_s + name;
        const bool written = std::any_of(args.cbegin(), args.cend(), [&longForm](const QString &a) {
            return a == longForm || a.startsWith(longForm + u'=');
        });
        return written ? longForm : u'-' + name;
    }

    QCommandLineParser m_parser;
    QHash<QString, QString> m_usage;
};

} // namespace

SongsArguments parseSongsArguments(const QStringList &args)
{
    CommandLine line;
    line.addValue(u"save-list"_s, u"--save-list needs a NAME without \":\", \"/\" or \"\\\""_s);
    line.parse(u"songs"_s, args);
    SongsArguments parsed{line.positional(), std::nullopt};
    for (const auto &[name, value] : line.given()) {
        // The names the song-list dialog refuses: they cannot be a file of the list folder.
        if (value.isEmpty() || value.contains(u':') || value.contains(u'/') || value.contains(u'\\'))
            throw line.badValue(name);
        parsed.saveAs = value;
    }
    if (parsed.sources.isEmpty())
        throw UsageError{u"at least one SOURCE is needed"_s};
    return parsed;
}

TransferArguments parseTransferArguments(const QStringList &args)
{
    CommandLine line;
    line.addValue(u"to"_s, u"--to needs a FOLDER"_s);
    line.addSwitch(u"add"_s);
    line.addSwitch(u"replace"_s);
    line.addSwitch(u"shuffle"_s);
    line.addValue(u"keep-space"_s, u"--keep-space needs a whole number of MB"_s);
    line.addValue(u"title-order"_s, u"--title-order needs three digits from 0 to 3"_s);
    line.addValue(u"title-bytes"_s, u"--title-bytes needs T,A,B, whole numbers from 0 to 40"_s);
    line.addSwitch(u"patch-bitrate"_s);
    line.addSwitch(u"no-patch-bitrate"_s);
    line.parse(u"transfer"_s, args);

    static const QRegularExpression orderDigits(QRegularExpression::anchoredPattern(u"[0-3]{3}"_s));
    TransferArguments parsed;
    TransferSetup::Overrides &overrides = parsed.overrides;
    for (const auto &[name, value] : line.given()) {
        if (name == u"to"_s) {
            if (value.isEmpty())
                throw line.badValue(name);
            parsed.destination = value;
        } else if (name == u"add"_s || name == u"replace"_s) {
            parsed.add = name == u"add"_s;
        } else if (name == u"shuffle"_s) {
            parsed.shuffle = true;
        } else if (name == u"patch-bitrate"_s || name == u"no-patch-bitrate"_s) {
            overrides.patchBitrate = name == u"patch-bitrate"_s;
        } else if (name == u"keep-space"_s) {
            overrides.keepFreeMB = wholeNumber(value);
            if (!overrides.keepFreeMB)
                throw line.badValue(name);
        } else if (name == u"title-order"_s) {
            if (!orderDigits.match(value).hasMatch())
                throw line.badValue(name);
            overrides.titleOrder = value;
        } else if (name == u"title-bytes"_s) {
            const QStringList parts = value.split(u',');
            if (parts.size() != 3)
                throw line.badValue(name);
            std::array<int, 3> bytes{};
            for (int i = 0; i < 3; ++i) {
                // A budget past the card title's 40 bytes has no meaning.
                const std::optional<int> n = wholeNumber(parts[i]);
                if (!n || *n > kTitleBudgetMax)
                    throw line.badValue(name);
                bytes[i] = *n;
            }
            overrides.titleBytes = bytes;
        }
    }
    parsed.sources = line.positional();
    if (parsed.sources.isEmpty())
        throw UsageError{u"transfer needs at least one SOURCE"_s};
    return parsed;
}

CheckArguments parseCheckArguments(const QStringList &args)
{
    CommandLine line;
    line.parse(u"check"_s, args);
    const QStringList folders = line.positional();
    if (folders.size() > 1)
        throw UsageError{u"check takes at most one FOLDER"_s};
    CheckArguments parsed;
    if (!folders.isEmpty())
        parsed.folder = folders.first();
    return parsed;
}

ListArguments parseListArguments(const QStringList &args)
{
    CommandLine line;
    line.parse(u"list"_s, args);
    const QStringList folders = line.positional();
    if (folders.size() > 1)
        throw UsageError{u"list takes at most one FOLDER"_s};
    ListArguments parsed;
    if (!folders.isEmpty())
        parsed.folder = folders.first();
    return parsed;
}

ApplyArguments parseApplyArguments(const QStringList &args)
{
    CommandLine line;
    line.addSwitch(u"yes"_s);
    line.parse(u"apply"_s, args);
    const QStringList rest = line.positional();
    if (rest.isEmpty())
        throw UsageError{u"apply needs the FILE of an edited listing"_s};
    if (rest.size() > 2)
        throw UsageError{u"apply takes one FILE and at most one FOLDER"_s};
    ApplyArguments parsed;
    parsed.yes = !line.given().isEmpty();
    parsed.file = rest.first();
    if (rest.size() == 2)
        parsed.folder = rest.at(1);
    return parsed;
}

ApplyArguments parseEditArguments(const QStringList &args)
{
    CommandLine line;
    line.addSwitch(u"yes"_s);
    line.parse(u"edit"_s, args);
    const QStringList folders = line.positional();
    if (folders.size() > 1)
        throw UsageError{u"edit takes at most one FOLDER"_s};
    ApplyArguments parsed;
    parsed.yes = !line.given().isEmpty();
    if (!folders.isEmpty())
        parsed.folder = folders.first();
    return parsed;
}

void parseVolumesArguments(const QStringList &args)
{
    CommandLine line;
    line.parse(u"volumes"_s, args);
    if (!line.positional().isEmpty())
        throw UsageError{u"volumes takes no arguments"_s};
}
