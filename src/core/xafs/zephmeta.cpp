#include "zephmeta.h"

#include "cirvologging.h"
#include "config/linefile.h"
#include "config/lineitems.h"

#include <QFileInfo>

#include <climits>
#include <cmath>

namespace
{

// Truncated toward zero; a number beyond int is held at its end, and text that is no number
// counts as 0.
int fileNumber(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || std::isnan(value))
        return 0;
    if (value >= double(INT_MAX))
        return INT_MAX;
    if (value <= double(INT_MIN))
        return INT_MIN;
    return int(value);
}

QString fileName(const QString& baseName, int width, int number, const char* suffix)
{
    return QString::fromLatin1(baseName.toLatin1()) + QString::asprintf("_%0*d", width, number) +
           QLatin1String(suffix);
}

} // namespace

bool ZephMeta::read(const QString& metaFile, const QString& dataDir)
{
    m_dataDirText = dataDir;
    m_dataDir.setPath(dataDir);
    const QFileInfo meta(metaFile);
    m_metaDirText = meta.absolutePath();
    m_metaDir.setPath(m_metaDirText);

    LineFile file;
    switch (file.read(metaFile)) {
    case LineFile::Result::CannotOpen:
        qCDebug(lcXafs).noquote() << "Can't open Zeph Meta File" << metaFile;
        return false;
    case LineFile::Result::TooLarge:
        qCDebug(lcXafs).noquote() << "Zeph Meta File is too large :" << metaFile;
        return false;
    case LineFile::Result::Read:
        break;
    }

    m_items.clear();
    m_baseName = meta.baseName();
    QList<ZephMetaItem> read;
    for (const QString& line : file.lines()) {
        const QString simple = line.simplified();
        if (simple.isEmpty() || simple.startsWith(u'F'))
            continue;
        LineItems items(simple);
        ZephMetaItem item;
        item.number = fileNumber(items.next());
        item.energy = items.next();
        item.note = items.next();
        read.append(item);
    }

    const int width = numberWidth(int(read.size()));
    QString lastI0;
    for (ZephMetaItem& item : read) {
        item.dataPath = existingPath(dataFileName(m_baseName, width, item.number));
        const QString i0 = existingPath(i0FileName(m_baseName, width, item.number));
        if (!i0.isEmpty())
            lastI0 = i0;
        item.i0Path = lastI0;
        if (!item.dataPath.isEmpty() && !item.i0Path.isEmpty())
            m_items.append(item);
    }
    return true;
}

int ZephMeta::numberWidth(int count)
{
    // The smallest w with 10^w >= count, in integers: log10 of a power of ten may round up.
    int width = 0;
    for (qint64 power = 1; power < count; power *= 10)
        ++width;
    return width;
}

QString ZephMeta::dataFileName(const QString& baseName, int width, int number)
{
    return fileName(baseName, width, number, ".his");
}

QString ZephMeta::i0FileName(const QString& baseName, int width, int number)
{
    return fileName(baseName, width, number, "_I0.his");
}

QString ZephMeta::existingPath(const QString& fileName) const
{
    if (m_metaDir.exists(fileName))
        return m_metaDir.absoluteFilePath(fileName);
    // Without a data directory the working directory would stand in for it.
    if (!m_dataDirText.isEmpty() && m_dataDir.exists(fileName))
        return m_dataDir.absoluteFilePath(fileName);
    return {};
}
