#pragma once

#include "ui_selectdatadir.h"
#include "xafs/datasetlist.h"
#include "xafs/zephmetaitem.h"

#include <QFileInfoList>
#include <QFrame>
#include <QString>
#include <QStringList>

// Lists the CT data sets of a CT-XAFS data directory in one of three layouts (energy
// sub-directories, Brel file names, a Zeph meta file) and hands the current set on. The sets
// themselves are found by DataSetList; the drop-down list shows its entries, and its current
// index is the current set.
class SelectDataDir : public QFrame
{
    Q_OBJECT

public:
    explicit SelectDataDir(QWidget* parent = nullptr);

    // Energy in eV of the current set; 0 without a current set or layout.
    double energy() const;
    // Tags the saved files of the current set; empty without a current set.
    QString energyText() const;
    // Moves to the next entry; false at the last one.
    bool advance();
    DataSetList::Layout layout() const;
    const DataSetList& dataSets() const { return m_sets; }
    // The pattern text split at every run of white space, empty parts kept.
    QStringList patterns() const;
    // The directory and the pattern text as shown, for a setup file.
    QString dataDir() const;
    QString pattern() const;

    // For scripts, which fill the fields without the dialogs.
    void setDataDir(const QString& dir);
    void setPattern(const QString& pattern);
    void setZephMetaFileName(const QString& filePath);

signals:
    void newSets(int items);
    void selected(const QString& dir, const QStringList& patterns);
    void selectedFileInfoList(const QFileInfoList& fileInofs);
    void selectedHis(const ZephMetaItem& zephMetaItem);
    void noMoreSets();

public slots:
    void showSelZephMetaFileFrame(bool f);
    void changedDataSetType();
    void aDirSelected(const QString& dir);
    void setSubDirs(const QString& dir);
    void setFileSets(const QString& dir);
    void zephMetaFileSelected(const QString& filePath);
    void setZephMeta();
    void setIsEngDirs(bool f);
    void setIsBrelStd(bool f);
    void setIsZephStd(bool f);
    void set();
    void next();
    void setFirstSet(int firstIdx);
    void setNextSet(int lastIdx);

private:
    void openMetaFileDialog();
    // After a scan that found sets: the new entries, the first one current.
    void showEntries();
    // After a scan that found nothing: the layout's earlier sets stay, and the list shows them.
    void keepEntries(const QString& scanned);
    void reportNoSets(const QString& scanned);
    int current() const { return ui.SubDirs->currentIndex(); }

    Ui_SelectDataDir ui;
    DataSetList m_sets;
};
