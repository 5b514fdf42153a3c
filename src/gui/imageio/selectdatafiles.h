#pragma once

#include "ui_selectdatafiles.h"

#include <QFileInfoList>
#include <QFrame>
#include <QStringList>

// Chooses a list of data files (from its dialog, a directory or a data-set scan) and lists the
// images loaded from them. The simplified form, for a set of I0 files, always replaces the list.
class SelectDataFiles : public QFrame
{
    Q_OBJECT

public:
    explicit SelectDataFiles(QWidget* parent = nullptr);

    // Simplified: "New" only, no "keep Conds." and no "Multi.", with its own button caption.
    void setSimplified(const QString& selectCaption);
    void appendEntry(const QString& entry);
    // The files of `dir` whose names match `patterns`, sorted by name ignoring case.
    void selectFilesInDir(const QString& dir, const QStringList& patterns);
    void selectFileInfos(const QFileInfoList& infos);
    void selectFiles(const QStringList& files);
    void setMulti(bool on, int times);
    bool keepConditions() const { return ui.KeepConditions->isChecked(); }
    bool newFiles() const { return ui.LoadNewFiles->isChecked(); }
    int count() const { return ui.Selected->count(); }

    Ui_SelectDataFiles ui;

signals:
    void filesSelected(QStringList files, bool newFile);
    void currentIndexChanged(int idx);
    void filesCleared();

public slots:
    void clearFiles();
    void prev();
    void next();
    void select(int idx);
    void setExpTime(double time);
    double expTime() const;

private:
    void openDialog();
    void updateCount();

    QString m_dialogDir;
};
