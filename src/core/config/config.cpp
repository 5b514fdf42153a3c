#include "config.h"

#include "cirvologging.h"
#include "linefile.h"
#include "lineitems.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{

bool startsWithDash(const QString& arg)
{
    return arg.startsWith(u'-');
}

// "-5" and "-.5" are values; "-d" is an option.
bool isOptionValue(const QString& arg)
{
    if (!startsWithDash(arg))
        return true;
    if (arg.size() < 2)
        return false;
    const QChar second = arg.at(1);
    if (second.unicode() >= 128)
        return second.isNumber();
    return (second >= u'0' && second <= u'9') || second == u'.';
}

void enterInto(QList<ConfigEntry>& list, QHash<QString, qsizetype>& index, const QString& key,
               const QString& value, const QString& rest, const QString& comment)
{
    const auto it = index.constFind(key);
    if (it != index.constEnd()) {
        ConfigEntry& e = list[*it];
        e.value = value;
        e.rest = rest;
        return;
    }
    index.insert(key, list.size());
    list.append({key, value, rest, comment});
}

QString defaultDataRoot()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!docs.isEmpty() && QFileInfo(docs).isDir())
        return docs;
    return QDir::homePath();
}

QString& dataRootStorage()
{
    static QString root = defaultDataRoot();
    return root;
}

} // namespace

Config& Config::instance()
{
    static Config config;
    return config;
}

void Config::parseArguments(int argc, char** argv)
{
    QStringList args;
    args.reserve(argc);
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromUtf8(argv[i]));
    parseArguments(args);
}

void Config::parseArguments(const QStringList& args)
{
    qsizetype i = 0;
    while (i < args.size() && !startsWithDash(args.at(i)))
        ++i;
    while (i < args.size()) {
        const QString& option = args.at(i);
        QString value;
        if (i + 1 < args.size() && isOptionValue(args.at(i + 1)))
            value = args.at(i + 1);
        qsizetype next = i + 1;
        QStringList restItems;
        while (next < args.size() && !startsWithDash(args.at(next)))
            restItems.append(args.at(next++));
        enter(option, value, restItems.join(u' '));
        i = next;
    }
}

bool Config::readFile(const QString& fileName)
{
    // The file named here, not the last one it included.
    m_fileName = fileName;
    QStringList chain;
    // One budget for a file and all it includes: INCLUDE lines that fan out to the same files
    // again and again would otherwise read for ever without forming a cycle.
    qint64 budget = LineFile::MaxBytes;
    if (readFileNested(fileName, chain, budget))
        return true;
    m_fileName.clear();
    return false;
}

bool Config::readFileNested(const QString& fileName, QStringList& chain, qint64& budget)
{
    LineFile file;
    switch (file.read(fileName, budget)) {
    case LineFile::Result::CannotOpen:
        qCDebug(lcConfig) << "Can't open config file : " << fileName;
        return false;
    case LineFile::Result::TooLarge:
        qCDebug(lcConfig).noquote()
            << QStringLiteral("Config file is over the %1 bytes left for the configuration :")
                   .arg(budget)
            << fileName;
        return false;
    case LineFile::Result::Read:
        break;
    }
    budget -= file.bytes();
    chain.append(QFileInfo(fileName).canonicalFilePath());
    for (const QString& line : file.lines())
        readLine(line, chain, budget);
    chain.removeLast();
    return true;
}

void Config::readLine(const QString& rawLine, QStringList& chain, qint64& budget)
{
    const QString line = LineItems::withoutComment(rawLine);
    if (line.trimmed().isEmpty())
        return;
    m_lines.append(line);

    LineItems items(line);
    const QString key = items.next();
    const QString rest = items.rest();
    const QString value = items.next();

    if (key.toUpper() != QLatin1String("INCLUDE")) {
        enter(key, value, rest);
        return;
    }
    // Qt warns about an empty name or one holding NUL instead of failing quietly.
    if (value.isEmpty() || value.contains(QChar(0))) {
        qCDebug(lcConfig).noquote() << "INCLUDE without a usable file name :" << line;
        return;
    }
    const QString target = QFileInfo(value).canonicalFilePath();
    if (!target.isEmpty() && chain.contains(target)) {
        const QStringList cycle = QStringList(chain) << target;
        qCDebug(lcConfig).noquote()
            << "INCLUDE cycle refused :" << cycle.join(QLatin1String(" -> "));
        return;
    }
    readFileNested(value, chain, budget);
}

void Config::enter(const QString& key, const QString& value, const QString& rest,
                   const QString& comment)
{
    enterInto(m_entries, m_index, key, value, rest, comment);
    enterInto(m_entriesUpper, m_indexUpper, key.toUpper(), value, rest, comment);
}

bool Config::contains(const QString& key) const
{
    return m_index.contains(key);
}

QString Config::value(const QString& key, const QString& def) const
{
    const auto it = m_index.constFind(key);
    return it == m_index.constEnd() ? def : m_entries.at(*it).value;
}

const ConfigEntry* Config::findUpper(const QString& key) const
{
    const auto it = m_indexUpper.constFind(key.toUpper());
    return it == m_indexUpper.constEnd() ? nullptr : &m_entriesUpper.at(*it);
}

QString Config::valueAnyCase(const QString& key, const QString& def) const
{
    const ConfigEntry* e = findUpper(key);
    return e ? e->value : def;
}

QString Config::restAnyCase(const QString& key, const QString& def) const
{
    const ConfigEntry* e = findUpper(key);
    return e ? e->rest : def;
}

QString Config::dataRoot()
{
    return dataRootStorage();
}

void Config::setDataRoot(const QString& dir)
{
    dataRootStorage() = dir;
}
