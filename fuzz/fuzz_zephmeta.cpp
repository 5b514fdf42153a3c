// The Zeph meta file reader and the data-set list built from it: the input is the meta file
// run.meta, with a few data and I0 files beside it and in a data directory, so the lookup and
// the I0 fallback find something.
#include "fuzzsupport.h"

#include "xafs/datasetlist.h"

#include <QDir>

namespace
{

QString dataDir()
{
    return QDir(FuzzSupport::workDir()).filePath(QStringLiteral("data"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::init();
    QDir().mkpath(dataDir());
    // Widths 1 and 2: 1 has its I0 file, 0, 2 and 3 fall back to it, 4 lies with its own in the
    // data directory.
    for (const char* name :
         {"run_0.his", "run_1.his", "run_1_I0.his", "run_2.his", "run_01.his", "run_01_I0.his",
          "run_02.his", "run_-1.his", "run_-1_I0.his", "data/run_3.his", "data/run_4.his",
          "data/run_4_I0.his", "data/run_03.his"})
        FuzzSupport::writeFile(QLatin1String(name), {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString meta =
        FuzzSupport::writeFile(QStringLiteral("run.meta"), FuzzSupport::view(data, size));
    DataSetList list;
    list.scanZeph(meta, dataDir());
    list.entries(DataSetList::ZephStd);
    for (int i = -1; i <= list.count(DataSetList::ZephStd); ++i) {
        list.energy(DataSetList::ZephStd, i);
        list.energyText(DataSetList::ZephStd, i);
        list.files(DataSetList::ZephStd, i, {});
    }
    return 0;
}
