#pragma once

#include "fbpcore.h"
#include "imageio/slicefloats.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Names, folders and the "#CIRVO-CTImg" text of saved slices.
namespace SliceFiles
{

// "%05d": 12 gives 00012, -12 gives -0012, 123456 gives 123456.
QString number(int slice);
// "name-tag-number.ext", or "tag-number.ext" when the name is empty.
QString fileName(const QString& name, const QString& tag, const QString& number,
                 const QString& ext);

struct FolderOptions {
    bool useSubFolders = false;
    bool ofEnergy = false;
    bool ofSlice = false;
};
// The directories a file goes to: the path itself, or its tag and/or number sub-folders
// (neither option means of slice; both means the file is written twice).
QStringList directories(const QString& path, const QString& tag, const QString& number,
                        const FolderOptions& options);

// "name-tag.ext", "name.ext" or "tag.ext" when one is empty, "slices.ext" when both are: a file
// holding all slices of a data set.
QString volumeFileName(const QString& name, const QString& tag, const QString& ext);
// The one directory a data set's file goes to: its tag sub-folder when the options make
// sub-folders of energy, else the path itself (a data set has no slice folder).
QString volumeDirectory(const QString& path, const QString& tag, const FolderOptions& options);

// The slice data text: header lines, then one "x TAB z TAB value" line per pixel of the region.
// Values outside [lower, upper] become 0, then `offset` is added; pixels outside the result
// count as 0.
QByteArray sliceText(const std::vector<double>& result, int n, const FbpRegion& region,
                     double lower, double upper, double offset);

// The same pixels as the lines of sliceText, in the same order, as the computed values rounded
// to float: no limits, no offset; pixels outside the result count as 0. Empty when the region
// is empty or its pixel count overflows.
SliceFloats sliceFloats(const std::vector<double>& result, int n, const FbpRegion& region);

} // namespace SliceFiles
