#pragma once

#include "ui_selectafile.h"

#include <QFrame>

// A path field with a "Select" button whose file dialog opens in the data root. In OpenFile
// mode the path is the chosen file; in SaveFile mode it is the chosen file's directory, created
// on the spot, for a saver that later writes there.
class SelectAFile : public QFrame
{
    Q_OBJECT

public:
    enum Mode { OpenFile = 0, SaveFile = 1 };

    explicit SelectAFile(QWidget* parent = nullptr);

    void setMode(int mode);
    int mode() const { return m_mode; }
    // `Name` and `AddTag` serve owners that build output names; they are hidden otherwise.
    void showNameAndTag(bool show);
    QString path() const;
    QString name() const;
    QString tag() const;
    // For scripts and the data-directory panel, which fill the fields without the dialog.
    void setPath(const QString& path);
    void setName(const QString& name);
    void setTag(const QString& tag);

signals:
    void fileSelected(const QString& fname);
    void clear();

public slots:
    void setStat(bool f);
    // Takes a name as if it had been chosen in the dialog.
    void fileSelected0(const QString& fname);
    void clear0();

protected:
    Ui_SelectAFile ui;

private:
    void openDialog();

    int m_mode = OpenFile;
};
