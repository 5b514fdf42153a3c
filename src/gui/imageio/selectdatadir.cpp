#include "selectdatadir.h"

#include "cirvologging.h"
#include "config/config.h"

#include <QFileDialog>
#include <QRegularExpression>

SelectDataDir::SelectDataDir(QWidget* parent) : QFrame(parent)
{
    // A Zeph item travels to the main window, and may cross threads in a sequence.
    qRegisterMetaType<ZephMetaItem>();
    ui.setupUi(this);
    ui.SelDir->setSelectCaption(tr("Sel. Data Dir."));
    showSelZephMetaFileFrame(ui.isZephStd_->isChecked());

    connect(ui.SelDir, &SelectDir::aDirSelected, this, &SelectDataDir::aDirSelected);
    // Only the newly checked button rescans, so a change of layout scans once.
    for (QRadioButton* type : {ui.isBrelStd_, ui.isEngDirs_, ui.isZephStd_})
        connect(type, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                changedDataSetType();
        });
    connect(ui.SelZephMetaFile, &QPushButton::clicked, this, &SelectDataDir::openMetaFileDialog);
    connect(ui.Set, &QPushButton::clicked, this, &SelectDataDir::set);
    connect(ui.Next, &QPushButton::clicked, this, &SelectDataDir::next);
}

DataSetList::Layout SelectDataDir::layout() const
{
    if (ui.isEngDirs_->isChecked())
        return DataSetList::EngDirs;
    if (ui.isBrelStd_->isChecked())
        return DataSetList::BrelStd;
    if (ui.isZephStd_->isChecked())
        return DataSetList::ZephStd;
    return DataSetList::NoLayout;
}

double SelectDataDir::energy() const
{
    return m_sets.energy(layout(), current());
}

QString SelectDataDir::energyText() const
{
    return m_sets.energyText(layout(), current());
}

bool SelectDataDir::advance()
{
    if (current() + 1 >= ui.SubDirs->count())
        return false;
    ui.SubDirs->setCurrentIndex(current() + 1);
    return true;
}

QStringList SelectDataDir::patterns() const
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return ui.Pattern->text().split(blanks);
}

QString SelectDataDir::dataDir() const
{
    return ui.SelDir->dirName();
}

QString SelectDataDir::pattern() const
{
    return ui.Pattern->text();
}

void SelectDataDir::setDataDir(const QString& dir)
{
    ui.SelDir->dirSelected0(dir);
}

void SelectDataDir::setPattern(const QString& pattern)
{
    ui.Pattern->setText(pattern);
}

void SelectDataDir::setZephMetaFileName(const QString& filePath)
{
    zephMetaFileSelected(filePath);
}

void SelectDataDir::showSelZephMetaFileFrame(bool f)
{
    ui.SelZephMetaFileFrame->setVisible(f);
}

void SelectDataDir::changedDataSetType()
{
    showSelZephMetaFileFrame(ui.isZephStd_->isChecked());
    aDirSelected(ui.SelDir->dirName());
}

void SelectDataDir::aDirSelected(const QString& dir)
{
    switch (layout()) {
    case DataSetList::EngDirs:
        setSubDirs(dir);
        break;
    case DataSetList::BrelStd:
        setFileSets(dir);
        break;
    case DataSetList::ZephStd:
        setZephMeta();
        break;
    case DataSetList::NoLayout:
        return;
    }
    emit newSets(ui.SubDirs->count());
}

void SelectDataDir::setSubDirs(const QString& dir)
{
    m_sets.scanEnergyDirs(dir);
    if (m_sets.count(DataSetList::EngDirs) == 0)
        reportNoSets(dir);
    showEntries();
}

void SelectDataDir::setFileSets(const QString& dir)
{
    if (m_sets.scanBrel(dir, ui.Pattern->text()))
        showEntries();
    else
        keepEntries(dir);
}

void SelectDataDir::zephMetaFileSelected(const QString& filePath)
{
    ui.ZephMetaFile->setText(filePath);
    setZephMeta();
    emit newSets(ui.SubDirs->count());
}

void SelectDataDir::setZephMeta()
{
    if (m_sets.scanZeph(ui.ZephMetaFile->text(), ui.SelDir->dirName()))
        showEntries();
    else
        keepEntries(ui.ZephMetaFile->text());
}

void SelectDataDir::setIsEngDirs(bool f)
{
    ui.isEngDirs_->setChecked(f);
}

void SelectDataDir::setIsBrelStd(bool f)
{
    ui.isBrelStd_->setChecked(f);
}

void SelectDataDir::setIsZephStd(bool f)
{
    ui.isZephStd_->setChecked(f);
}

void SelectDataDir::set()
{
    const DataSetList::Layout type = layout();
    const int idx = current();
    if (!m_sets.isValid(type, idx)) {
        emit noMoreSets();
        return;
    }
    switch (type) {
    case DataSetList::EngDirs:
        emit selected(m_sets.energyDirPath(idx), patterns());
        break;
    case DataSetList::BrelStd:
        emit selectedFileInfoList(m_sets.fileSets().at(idx).files);
        break;
    case DataSetList::ZephStd:
        emit selectedHis(m_sets.zeph().items().at(idx));
        break;
    case DataSetList::NoLayout:
        emit noMoreSets();
        break;
    }
}

void SelectDataDir::next()
{
    advance();
}

void SelectDataDir::setFirstSet(int firstIdx)
{
    ui.SubDirs->setCurrentIndex(firstIdx);
    set();
}

void SelectDataDir::setNextSet(int lastIdx)
{
    if (current() < lastIdx && advance())
        set();
    else
        emit noMoreSets();
}

void SelectDataDir::openMetaFileDialog()
{
    QFileDialog dialog(this, {}, Config::dataRoot());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(tr("Meta File (* *.*)"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        zephMetaFileSelected(dialog.selectedFiles().constFirst());
}

void SelectDataDir::showEntries()
{
    ui.SubDirs->clear();
    ui.SubDirs->addItems(m_sets.entries(layout()));
}

void SelectDataDir::reportNoSets(const QString& scanned)
{
    // Before a directory or meta file is named, an empty list needs no explanation.
    if (!scanned.isEmpty())
        qCDebug(lcXafs).noquote() << "No data sets in" << scanned;
}

void SelectDataDir::keepEntries(const QString& scanned)
{
    reportNoSets(scanned);
    const QStringList entries = m_sets.entries(layout());
    QStringList shown;
    for (int i = 0; i < ui.SubDirs->count(); ++i)
        shown.append(ui.SubDirs->itemText(i));
    // Refilled only when the list showed another layout, so the current set stays current.
    if (shown != entries)
        showEntries();
}
