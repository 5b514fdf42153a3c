#include "seriesplan.h"

#include "imageio/i0fileset.h"

#include <QDir>
#include <QFileInfo>

bool SeriesPlan::list(const Source& source, QString* error)
{
    m_sets.clear();
    const auto failed = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    DataSetList list;
    const DataSetList::Layout layout = source.layout;
    if (layout == DataSetList::EngDirs)
        list.scanEnergyDirs(source.dir);
    else if (layout == DataSetList::BrelStd)
        list.scanBrel(source.dir, source.patterns.join(u' '));
    else if (layout == DataSetList::ZephStd)
        list.scanZeph(source.metaFile, source.dir);
    if (list.count(layout) == 0)
        return failed(layout == DataSetList::ZephStd
                          ? QStringLiteral("the meta file %1 names no data set with its files")
                                .arg(source.metaFile)
                          : QStringLiteral("no data sets in %1").arg(source.dir));

    I0FileSet i0Files;
    if (!source.i0Dir.isEmpty()) {
        i0Files.setFiles(DataSetList::filesInDir(source.i0Dir, source.i0Patterns));
        if (i0Files.files().isEmpty())
            return failed(QStringLiteral("no I0 files matching \"%1\" in %2")
                              .arg(source.i0Patterns.join(u' '), source.i0Dir));
        if (i0Files.nearest(1) < 0)
            return failed(
                QStringLiteral("no I0 file in %1 has an energy in its name").arg(source.i0Dir));
    }

    for (int i = 0; i < list.count(layout); ++i) {
        SeriesSet set;
        set.number = i + 1;
        set.energy = list.energy(layout, i);
        set.energyText = list.energyText(layout, i);
        set.files = list.files(layout, i, source.patterns);
        if (layout == DataSetList::EngDirs)
            set.name = list.subDirs().at(i);
        else if (layout == DataSetList::BrelStd)
            set.name = list.fileSets().at(i).key;
        else
            set.name = QFileInfo(list.zeph().items().at(i).dataPath).fileName();
        if (layout == DataSetList::ZephStd)
            set.i0File = list.zeph().items().at(i).i0Path;
        else if (!i0Files.files().isEmpty() && set.energy > 0)
            set.i0File = i0Files.files().at(i0Files.nearest(set.energy));
        if (set.files.isEmpty())
            set.problem = QStringLiteral("no image files");
        else if (!i0Files.files().isEmpty() && set.i0File.isEmpty())
            set.problem = QStringLiteral("no energy to choose its I0 file by");
        m_sets << set;
    }
    return true;
}
