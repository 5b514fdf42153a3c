#include "ctfileset.h"

#include "datasetlist.h"

CtFileSet CtFileSet::startingWith(const QFileInfo& first)
{
    CtFileSet set;
    set.firstName = first.fileName();
    set.key = keyOf(set.firstName);
    const qsizetype dash = set.key.lastIndexOf(u'-');
    if (dash >= 0)
        set.sampleName = set.key.first(dash);
    set.energyText = set.key.mid(dash + 1);
    set.number = DataSetList::leadingNumber(set.energyText);
    set.unit = set.energyText.mid(numberLength(set.energyText));
    set.unitFactor = set.unit.toUpper() == QLatin1String("KEV") ? 1000 : 1;
    set.files.append(first);
    return set;
}

QString CtFileSet::keyOf(const QString& fileName)
{
    const qsizetype dash = fileName.lastIndexOf(u'-');
    return dash < 0 ? fileName : fileName.first(dash);
}

qsizetype CtFileSet::numberLength(const QString& energyText)
{
    qsizetype length = energyText.size();
    while (length > 0 && !energyText.at(length - 1).isDigit())
        --length;
    return length;
}
