#pragma once

#include "zephmetaitem.h"

#include <QDir>
#include <QList>
#include <QString>

// Reads a Zeph meta file: one line per energy point, "number energy-in-keV note", naming the
// data file base_NN.his and the I0 file base_NN_I0.his of each point (base: the meta file's
// name up to its first "."). Points without a data file, or without any I0 file so far, are
// dropped.
class ZephMeta
{
public:
    // Reads `metaFile`, looking the data and I0 files up beside it, then in `dataDir`. False,
    // with the debug message "Can't open Zeph Meta File" and the name, when the file cannot be
    // read; the earlier items then stay.
    bool read(const QString& metaFile, const QString& dataDir);

    const QList<ZephMetaItem>& items() const { return m_items; }
    // The meta file's name without directory and without everything from its first ".".
    const QString& baseName() const { return m_baseName; }
    const QString& dataDir() const { return m_dataDirText; }
    const QString& metaDir() const { return m_metaDirText; }

    // "%s_%0*d.his" and "%s_%0*d_I0.his": the base name, the number zero-padded to the width
    // ceil(log10 count) (0 when count < 1), never cut.
    static int numberWidth(int count);
    static QString dataFileName(const QString& baseName, int width, int number);
    static QString i0FileName(const QString& baseName, int width, int number);

private:
    QString existingPath(const QString& fileName) const;

    QString m_dataDirText;
    QDir m_dataDir;
    QString m_metaDirText;
    QDir m_metaDir;
    QString m_baseName;
    QList<ZephMetaItem> m_items;
};
