// The configuration reader with INCLUDE: the input holds up to three files, main.cfg, a.cfg
// and b.cfg, separated by the line "#--"; main.cfg is read and may include the others by their
// relative names, which resolve against the working directory.
#include "fuzzsupport.h"

#include "config/config.h"

#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArray separator("\n#--\n");
    const QByteArray input = FuzzSupport::view(data, size);
    const QString names[] = {QStringLiteral("main.cfg"), QStringLiteral("a.cfg"),
                             QStringLiteral("b.cfg")};
    const QDir dir(FuzzSupport::workDir());
    qsizetype from = 0;
    for (const QString& name : names) {
        // A file the input does not hold is missing, not left over from the last input.
        if (from > input.size()) {
            QFile::remove(dir.filePath(name));
            continue;
        }
        qsizetype end = input.indexOf(separator, from);
        if (end < 0 || &name == &names[2])
            end = input.size();
        FuzzSupport::writeFile(name, input.mid(from, end - from));
        from = end + separator.size();
    }
    // libFuzzer resolves its own relative paths (artifacts) against the directory it started in.
    const QString started = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Config config;
    config.readFile(names[0]);
    QDir::setCurrent(started);
    for (const ConfigEntry& e : config.entries())
        config.restAnyCase(e.key);
    config.valueAnyCase(QStringLiteral("DataRoot"));
    return 0;
}
