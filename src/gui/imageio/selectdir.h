#pragma once

#include "ui_selectdir.h"

#include <QFrame>

// A directory field with a "Sel. Dir" button whose dialog opens in the data root.
class SelectDir : public QFrame
{
    Q_OBJECT

public:
    explicit SelectDir(QWidget* parent = nullptr);

    QString dirName() const;
    void setSelectCaption(const QString& caption);

signals:
    void aDirSelected(const QString& dir);

public slots:
    // Shows a directory without reporting it.
    void setDirName(const QString& dir);
    // Takes a directory as if it had been chosen in the dialog.
    void dirSelected0(const QString& dir);

private:
    void openDialog();

    Ui_SelectDir ui;
};
