#include "selectdatafiles.h"

#include "config/config.h"
#include "xafs/datasetlist.h"

#include <QFileDialog>

SelectDataFiles::SelectDataFiles(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    connect(ui.Select, &QPushButton::clicked, this, &SelectDataFiles::openDialog);
    connect(ui.Clear, &QPushButton::clicked, this, &SelectDataFiles::clearFiles);
    connect(ui.Selected, &QComboBox::currentIndexChanged, this,
            &SelectDataFiles::currentIndexChanged);
}

void SelectDataFiles::setSimplified(const QString& selectCaption)
{
    ui.LoadNewFiles->setChecked(true);
    for (QWidget* w :
         {static_cast<QWidget*>(ui.LoadNewFiles), static_cast<QWidget*>(ui.AddFiles),
          static_cast<QWidget*>(ui.KeepConditions), static_cast<QWidget*>(ui.LoadMultiTimes),
          static_cast<QWidget*>(ui.MultiTimes), static_cast<QWidget*>(ui.SepLine)})
        w->hide();
    ui.Select->setText(selectCaption);
}

void SelectDataFiles::openDialog()
{
    QFileDialog dialog(this);
    dialog.setDirectory(m_dialogDir.isEmpty() ? Config::dataRoot() : m_dialogDir);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(
        {tr("Itex File (*.img *.his)"), tr("Tiff File (*.tif *.tiff)"), tr("Any Files (* *.*)")});
    if (dialog.exec() == QDialog::Accepted)
        selectFiles(dialog.selectedFiles());
}

void SelectDataFiles::selectFiles(const QStringList& chosen)
{
    if (ui.LoadNewFiles->isChecked()) {
        ui.Selected->clear();
        updateCount();
        emit filesCleared();
    }
    QStringList files = chosen;
    if (ui.LoadMultiTimes->isChecked() && !files.isEmpty()) {
        const QString first = files.first();
        files.clear();
        for (int i = 0, n = ui.MultiTimes->text().toInt(); i < n; ++i)
            files.append(first);
    }
    emit filesSelected(files, ui.LoadNewFiles->isChecked());
}

void SelectDataFiles::selectFilesInDir(const QString& dir, const QStringList& patterns)
{
    m_dialogDir = dir;
    // The same listing as a headless series run, so both take a set's files in one order.
    selectFiles(DataSetList::filesInDir(dir, patterns));
}

void SelectDataFiles::selectFileInfos(const QFileInfoList& infos)
{
    QStringList files;
    for (const QFileInfo& info : infos)
        files.append(info.absoluteFilePath());
    selectFiles(files);
}

void SelectDataFiles::setMulti(bool on, int times)
{
    ui.LoadMultiTimes->setChecked(on);
    ui.MultiTimes->setText(QString::number(times));
}

void SelectDataFiles::appendEntry(const QString& entry)
{
    ui.Selected->addItem(entry);
    updateCount();
}

void SelectDataFiles::updateCount()
{
    ui.Count->setText(QString::number(ui.Selected->count()));
}

void SelectDataFiles::clearFiles()
{
    ui.Selected->clear();
    updateCount();
    emit filesCleared();
}

void SelectDataFiles::prev()
{
    if (ui.Selected->currentIndex() > 0)
        ui.Selected->setCurrentIndex(ui.Selected->currentIndex() - 1);
}

void SelectDataFiles::next()
{
    if (ui.Selected->currentIndex() + 1 < ui.Selected->count())
        ui.Selected->setCurrentIndex(ui.Selected->currentIndex() + 1);
}

void SelectDataFiles::select(int idx)
{
    if (idx >= 0 && idx < ui.Selected->count())
        ui.Selected->setCurrentIndex(idx);
}

void SelectDataFiles::setExpTime(double time)
{
    ui.ExpTime->setText(QString::number(time, 'g', 6));
}

double SelectDataFiles::expTime() const
{
    return ui.ExpTime->text().toDouble();
}
