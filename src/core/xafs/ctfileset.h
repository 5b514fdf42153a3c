#pragma once

#include <QFileInfo>
#include <QFileInfoList>
#include <QString>

// One data set of the "Brel" layout: the files of one sample at one energy, all named
// sample-energy-number in one directory.
struct CtFileSet {
    // A set holding only `first`, with the fields below taken from its file name.
    static CtFileSet startingWith(const QFileInfo& first);

    // The file name up to, not including, its last "-": files with the same key form a set.
    static QString keyOf(const QString& fileName);
    // The length of `energyText` up to and including its last digit: the number before the unit.
    static qsizetype numberLength(const QString& energyText);
    // The energy in eV: number x unitFactor.
    double energy() const { return number * unitFactor; }

    QString firstName;
    QString key;
    // The file name up to, not including, its second-to-last "-"; empty without one.
    QString sampleName;
    // The text between the last two "-", such as "8340eV" or "8_34keV"; from the start of the
    // name without a second-to-last "-".
    QString energyText;
    // energyText up to and including its last digit, "_" read as ".": 8.34 for "8_34keV".
    double number = 0;
    // 1000 when the unit is "keV" in any letter case, else 1.
    double unitFactor = 1;
    // The text after the last digit of energyText.
    QString unit;
    // The files of the set, in name order.
    QFileInfoList files;
};
