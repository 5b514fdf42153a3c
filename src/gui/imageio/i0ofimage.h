#pragma once

#include "ui_i0ofimage.h"

#include <QFrame>
#include <QString>

// Records how the I0 belonging to a set of images is known: a fixed value, or an XAFS data
// file with the pattern that locates the energy in the image file names. The values are shown
// and kept for the user and scripts; the reconstruction takes I0 from the I0 image only.
class I0ofImage : public QFrame
{
    Q_OBJECT

public:
    explicit I0ofImage(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    // Shown with 6 significant digits.
    void setI0Val(double value);
    // Checked exactly when f is 1, as the script commands give it.
    void setCalcFromXafs(int f);
    // Takes the name as if it had been chosen in the dialog.
    void setXafsFile(const QString& fname);
    void clearXafsFile();
    void setEngPattern(const QString& pattern);

    QString title() const { return ui.Title->text(); }
    // A text that is no number reads as 0.
    double i0Val() const { return ui.I0Val->text().toDouble(); }
    bool calcFromXafs() const { return ui.CalcFromXAFS->isChecked(); }
    QString xafsFile() const { return ui.XafsFile->path(); }
    QString engPattern() const { return ui.EngPattern->text(); }

private:
    Ui_I0ofImage ui;
};
