#include "selectafile.h"

#include "cirvologging.h"
#include "config/config.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace
{

const QString NeutralStyle = QStringLiteral("background-color: rgb(255, 255, 233);");
const QString GoodStyle = QStringLiteral("background-color: rgb(211, 255, 241);");
const QString BadStyle = QStringLiteral("background-color: rgb(255, 192, 192);");

} // namespace

SelectAFile::SelectAFile(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    showNameAndTag(false);
    connect(ui.Select, &QPushButton::clicked, this, &SelectAFile::openDialog);
    connect(ui.Clear, &QPushButton::clicked, this, &SelectAFile::clear0);
}

void SelectAFile::setMode(int mode)
{
    m_mode = mode;
}

void SelectAFile::showNameAndTag(bool show)
{
    ui.Name->setVisible(show);
    ui.AddTag->setVisible(show);
}

QString SelectAFile::path() const
{
    return ui.FilePath->text();
}

QString SelectAFile::name() const
{
    return ui.Name->text();
}

QString SelectAFile::tag() const
{
    return ui.AddTag->text();
}

void SelectAFile::setPath(const QString& path)
{
    ui.FilePath->setText(path);
}

void SelectAFile::setName(const QString& name)
{
    ui.Name->setText(name);
}

void SelectAFile::setTag(const QString& tag)
{
    ui.AddTag->setText(tag);
}

void SelectAFile::setStat(bool f)
{
    ui.FilePath->setStyleSheet(f ? GoodStyle : BadStyle);
}

void SelectAFile::fileSelected0(const QString& fname)
{
    const QFileInfo info(fname);
    if (m_mode == SaveFile) {
        const QString dir = info.absolutePath();
        ui.FilePath->setText(dir);
        if (!dir.isEmpty()) {
            const bool made = QDir().mkpath(dir);
            if (!made)
                qCDebug(lcImageIo) << "Can not create directory" << dir;
            // A stale pink from an earlier failure must not outlive a good choice.
            setStat(made);
        }
    } else {
        ui.FilePath->setText(fname);
    }
    ui.Name->setText(info.baseName());
    // Emitted even when the directory is missing: the saver reports the failed writes.
    emit fileSelected(fname);
}

void SelectAFile::clear0()
{
    ui.FilePath->clear();
    ui.FilePath->setStyleSheet(NeutralStyle);
    ui.Name->clear();
    emit clear();
}

void SelectAFile::openDialog()
{
    QFileDialog dialog(this, {}, Config::dataRoot());
    if (m_mode == SaveFile) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The name is a pattern for the saver's files, not a file to be overwritten.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilter(tr("Any file (* *.*)"));
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(
            {tr("Img file (*.img *.his)"), tr("Tiff file (*.tif *.tiff)"), tr("Any file (* *.*)")});
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        fileSelected0(dialog.selectedFiles().constFirst());
}
