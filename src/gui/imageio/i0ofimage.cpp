#include "i0ofimage.h"

I0ofImage::I0ofImage(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    ui.XafsFile->setMode(SelectAFile::OpenFile);
}

void I0ofImage::setTitle(const QString& title)
{
    ui.Title->setText(title);
}

void I0ofImage::setI0Val(double value)
{
    ui.I0Val->setText(QString::number(value, 'g', 6));
}

void I0ofImage::setCalcFromXafs(int f)
{
    ui.CalcFromXAFS->setChecked(f == 1);
}

void I0ofImage::setXafsFile(const QString& fname)
{
    ui.XafsFile->fileSelected0(fname);
}

void I0ofImage::clearXafsFile()
{
    ui.XafsFile->clear0();
}

void I0ofImage::setEngPattern(const QString& pattern)
{
    ui.EngPattern->setText(pattern);
}
