#pragma once

#include "fbpfilter.h"
#include "ringfilter.h"

#include <QList>
#include <QMetaType>

// The processing controls as they stood when a calculation started; the workers get a copy
// so that later edits in the panel cannot change a run half way.
struct ProcParams {
    bool useCt1 = true;
    bool useCt2 = false;
    bool rotAxIsV = false;
    int sliceNo = 0;
    double cor = 0.0;
    double recordedCor1 = 0.0;
    double recordedCor2 = 0.0;
    int recordedSlice1 = -1;
    int recordedSlice2 = -1;
    double angleOriginDeg = 0.0;
    int dataSetImages = 0;
    double dataSetRangeDeg = 0.0;
    int usingImages = 0;
    int startImageNo = 0;
    bool autoExec = false;
    int sliceFrom = 0;
    int sliceTo = 0;
    int sliceStep = 0;
    int threads = 0;
    double upperLimit = 10.0;
    double lowerLimit = -10.0;
    double offset = 10.0;
    FbpFilter filter;
    RingOptions rings;
    // The float engine instead of the bit-exact double one.
    bool singlePrecision = false;

    bool operator==(const ProcParams&) const = default;

    // The angle of each projection the reconstruction uses, in degrees, as it takes them.
    QList<double> anglesDeg() const;

    // The magnitude of `step`, negative when the run goes down from `from` to `to`. The
    // magnitude of INT_MIN does not fit an int and is taken as INT_MAX.
    static int signedStep(int from, int to, int step);
};

Q_DECLARE_METATYPE(ProcParams)
