#include "datasetlist.h"

#include "util/blankfill.h"

#include <QDir>
#include <QLocale>

#include <algorithm>

namespace
{

QString shortest(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

void DataSetList::scanEnergyDirs(const QString& dir)
{
    m_root = dir;
    m_subDirs.clear();
    // QDir would read an empty name as the working directory.
    if (!dir.isEmpty())
        m_subDirs = QDir(dir).entryList({QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot,
                                        QDir::Name);
}

bool DataSetList::scanBrel(const QString& dir, const QString& pattern)
{
    const QFileInfoList files = dir.isEmpty()
                                    ? QFileInfoList()
                                    : QDir(dir).entryInfoList({pattern}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        return false;
    m_fileSets.clear();
    for (const QFileInfo& file : files) {
        if (!m_fileSets.isEmpty() && CtFileSet::keyOf(file.fileName()) == m_fileSets.last().key)
            m_fileSets.last().files.append(file);
        else
            m_fileSets.append(CtFileSet::startingWith(file));
    }
    return true;
}

bool DataSetList::scanZeph(const QString& metaFile, const QString& dataDir)
{
    ZephMeta meta;
    if (!meta.read(metaFile, dataDir) || meta.items().isEmpty())
        return false;
    m_zeph = meta;
    return true;
}

int DataSetList::count(Layout layout) const
{
    switch (layout) {
    case EngDirs:
        return int(m_subDirs.size());
    case BrelStd:
        return int(m_fileSets.size());
    case ZephStd:
        return int(m_zeph.items().size());
    case NoLayout:
        break;
    }
    return 0;
}

QStringList DataSetList::entries(Layout layout) const
{
    QStringList list;
    const int n = count(layout);
    // Zeph names take their width from the items kept, not from the lines read.
    const int width = ZephMeta::numberWidth(n);
    for (int i = 0; i < n; ++i) {
        const QString position = QString::number(i + 1);
        // One arg() call for all fields, so a "%1" inside a name stays as it is.
        if (layout == EngDirs) {
            list.append(QStringLiteral("%1 : %2").arg(position, m_subDirs.at(i)));
        } else if (layout == BrelStd) {
            const CtFileSet& set = m_fileSets.at(i);
            const bool repeated = i > 0 && set.sampleName == m_fileSets.at(i - 1).sampleName;
            const QString sample =
                repeated ? blanks(int(std::min<qsizetype>(set.sampleName.size(), 101)))
                         : set.sampleName;
            list.append(QStringLiteral("%1 : %2 (%3[%4], %5)")
                            .arg(position, sample, shortest(set.number), set.unit,
                                 QString::number(set.files.size())));
        } else {
            const ZephMetaItem& item = m_zeph.items().at(i);
            const QString& base = m_zeph.baseName();
            list.append(QStringLiteral("%1 : %2 (%3eV), %4")
                            .arg(position, ZephMeta::dataFileName(base, width, item.number),
                                 shortest(energy(ZephStd, i)),
                                 ZephMeta::i0FileName(base, width, item.number)));
        }
    }
    return list;
}

double DataSetList::energy(Layout layout, int index) const
{
    if (!isValid(layout, index))
        return 0;
    switch (layout) {
    case EngDirs:
        return leadingNumber(m_subDirs.at(index));
    case BrelStd:
        return m_fileSets.at(index).energy();
    case ZephStd:
        return m_zeph.items().at(index).energy.toDouble() * 1000;
    case NoLayout:
        break;
    }
    return 0;
}

QString DataSetList::energyText(Layout layout, int index) const
{
    if (!isValid(layout, index))
        return {};
    switch (layout) {
    case EngDirs:
        return m_subDirs.at(index);
    case BrelStd:
        return m_fileSets.at(index).energyText;
    case ZephStd: {
        QString text = m_zeph.items().at(index).energy + QStringLiteral("KeV");
        return text.replace(u'.', u'_');
    }
    case NoLayout:
        break;
    }
    return {};
}

QStringList DataSetList::files(Layout layout, int index, const QStringList& patterns) const
{
    if (!isValid(layout, index))
        return {};
    switch (layout) {
    case EngDirs:
        return filesInDir(energyDirPath(index), patterns);
    case BrelStd: {
        QStringList paths;
        for (const QFileInfo& file : m_fileSets.at(index).files)
            paths.append(file.absoluteFilePath());
        return paths;
    }
    case ZephStd:
        return {m_zeph.items().at(index).dataPath};
    case NoLayout:
        break;
    }
    return {};
}

QString DataSetList::energyDirPath(int index) const
{
    return isValid(EngDirs, index) ? QDir(m_root).filePath(m_subDirs.at(index)) : QString();
}

QStringList DataSetList::filesInDir(const QString& dir, const QStringList& patterns)
{
    QStringList paths;
    const QFileInfoList files =
        QDir(dir).entryInfoList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files)
        paths.append(file.absoluteFilePath());
    return paths;
}

double DataSetList::leadingNumber(const QString& text)
{
    return text.first(CtFileSet::numberLength(text)).replace(u'_', u'.').toDouble();
}
