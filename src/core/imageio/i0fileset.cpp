#include "i0fileset.h"

#include <QFileInfo>

#include <cmath>

double I0FileSet::energyFromName(const QString& path)
{
    // Only the file name: directories are often named by date, with dashes of their own.
    QString field = QFileInfo(path).fileName();
    const qsizetype last = field.lastIndexOf(u'-');
    if (last >= 0)
        field.truncate(last);
    const qsizetype before = field.lastIndexOf(u'-');
    if (before >= 0)
        field = field.mid(before + 1);

    qsizetype lastDigit = field.size() - 1;
    while (lastDigit >= 0 && !field.at(lastDigit).isDigit())
        --lastDigit;
    const QString unit = field.mid(lastDigit + 1);
    QString number = field.left(lastDigit + 1);
    number.replace(u'_', u'.');
    const double value = number.toDouble();
    return unit.toUpper() == QLatin1String("KEV") ? value * 1000 : value;
}

void I0FileSet::setFiles(const QStringList& files)
{
    m_files = files;
    m_energies.clear();
    for (const QString& f : files)
        m_energies.append(energyFromName(f));
}

int I0FileSet::nearest(double energy) const
{
    int best = -1;
    for (int i = 0; i < m_energies.size(); ++i) {
        // A name without an energy says nothing about the beam; it must not win by default.
        if (!(m_energies[i] > 0) || !std::isfinite(m_energies[i]))
            continue;
        if (best < 0 || std::abs(m_energies[i] - energy) < std::abs(m_energies[best] - energy))
            best = i;
    }
    return best;
}
