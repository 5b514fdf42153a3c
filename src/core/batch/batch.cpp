#include "batch.h"

#include "cirvologging.h"
#include "config/linefile.h"
#include "config/lineitems.h"

Batch::Batch(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<BatchCmd>("BatchCmd");
    // Queued, not direct: a run of control words (":echo" lines, or a ":goto" that lands on a
    // ":goto") would otherwise recurse without bound, and batchExec could not stop it.
    connect(this, &Batch::batchExecNext, this, &Batch::batchNext, Qt::QueuedConnection);
    connect(this, &Batch::batchFinishALine, this, &Batch::batchCheckEnd);
}

void Batch::batchLoad(QString fname)
{
    LineFile file;
    switch (file.read(fname)) {
    case LineFile::Result::CannotOpen:
        qCDebug(lcBatch).noquote() << "Can't open batch file" << fname;
        emit loadFailed();
        return;
    case LineFile::Result::TooLarge:
        qCDebug(lcBatch).noquote() << "Batch file is too large :" << fname;
        emit loadFailed();
        return;
    case LineFile::Result::Read:
        break;
    }
    QStringList loaded;
    for (const QString& raw : file.lines()) {
        const QString line = LineItems::withoutComment(raw);
        if (line.trimmed().endsWith(u'\\'))
            continue;
        if (!line.isEmpty())
            loaded.append(line);
    }
    script = loaded;
}

void Batch::batchStart()
{
    running = true;
    pc = 0;
    emit batchExecNext();
}

void Batch::batchExec()
{
    if (running)
        stopRunning();
    else
        batchStart();
}

void Batch::batchStop()
{
    stopRunning();
}

void Batch::stopRunning()
{
    running = false;
    emit ended();
}

void Batch::batchCheckEnd()
{
    if (running)
        continueIfScript();
}

void Batch::continueIfScript()
{
    if (script.isEmpty())
        stopRunning();
    else
        emit batchExecNext();
}

void Batch::jumpTo(const QString& label)
{
    for (qsizetype i = 0; i < script.size(); ++i) {
        if (BatchCmd::parse(script.at(i)).cmd == label) {
            pc = int(i);
            return;
        }
    }
}

void Batch::batchNext()
{
    if (!running)
        return;
    if (pc >= script.size()) {
        stopRunning();
        return;
    }
    const QString line = script.at(pc++);
    BatchCmd k = BatchCmd::parse(line);
    qCDebug(lcBatch).noquote() << "cmd" << line;

    // One test each, in this order: conditions do not nest.
    if (k.cmd.compare(QLatin1String(":ifok"), Qt::CaseInsensitive) == 0 && ok)
        k = BatchCmd::parse(k.args.join(u' '));
    if (k.cmd.compare(QLatin1String(":ifng"), Qt::CaseInsensitive) == 0 && !ok)
        k = BatchCmd::parse(k.args.join(u' '));

    const auto is = [&k](const char* word) {
        return k.cmd.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    if (is(":goto")) {
        jumpTo(k.textArg(0));
        if (running)
            continueIfScript();
    } else if (is(":end") || is(":stop")) {
        stopRunning();
    } else if (is(":echo")) {
        qCDebug(lcBatch).noquote() << k.line;
        emit batchExecNext();
    } else {
        ok = true;
        emit batchExCmd(k);
    }
}
