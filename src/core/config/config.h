#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

struct ConfigEntry {
    QString key;
    QString value;
    QString rest;
    QString comment;
};

// The process-wide store of command-line options and configuration-file lines. Later entries
// override earlier ones; keys are never removed.
class Config
{
public:
    static Config& instance();

    void parseArguments(int argc, char** argv);
    void parseArguments(const QStringList& args);
    bool readFile(const QString& fileName);

    bool contains(const QString& key) const;
    QString value(const QString& key, const QString& def = {}) const;
    QString valueAnyCase(const QString& key, const QString& def = {}) const;
    QString restAnyCase(const QString& key, const QString& def = {}) const;

    const QStringList& lines() const { return m_lines; }
    const QList<ConfigEntry>& entries() const { return m_entries; }
    const QList<ConfigEntry>& entriesUpper() const { return m_entriesUpper; }
    QString fileName() const { return m_fileName; }

    void enter(const QString& key, const QString& value, const QString& rest,
               const QString& comment = {});

    // The directory every file and directory selector opens in.
    static QString dataRoot();
    static void setDataRoot(const QString& dir);

private:
    bool readFileNested(const QString& fileName, QStringList& chain, qint64& budget);
    void readLine(const QString& line, QStringList& chain, qint64& budget);
    const ConfigEntry* findUpper(const QString& key) const;

    QList<ConfigEntry> m_entries;
    QList<ConfigEntry> m_entriesUpper;
    QHash<QString, qsizetype> m_index;
    QHash<QString, qsizetype> m_indexUpper;
    QStringList m_lines;
    QString m_fileName;
};
