// The ITEX reader: header, comment properties and frames of one file.
#include "fuzzsupport.h"

#include "imageio/imgdata.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path =
        FuzzSupport::writeFile(QStringLiteral("input.his"), FuzzSupport::view(data, size));
    ImgData::fileType(path);
    FuzzSupport::readImage(ImgData::Itex, path);
    return 0;
}
