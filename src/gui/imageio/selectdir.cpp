#include "selectdir.h"

#include "config/config.h"

#include <QFileDialog>

SelectDir::SelectDir(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    connect(ui.Select, &QPushButton::clicked, this, &SelectDir::openDialog);
}

void SelectDir::setSelectCaption(const QString& caption)
{
    ui.Select->setText(caption);
}

QString SelectDir::dirName() const
{
    return ui.SelectedDir->text();
}

void SelectDir::setDirName(const QString& dir)
{
    ui.SelectedDir->setText(dir);
}

void SelectDir::dirSelected0(const QString& dir)
{
    setDirName(dir);
    emit aDirSelected(dir);
}

void SelectDir::openDialog()
{
    QFileDialog dialog(this, {}, Config::dataRoot());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setNameFilter(QStringLiteral("(*)"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        dirSelected0(dialog.selectedFiles().constFirst());
}
