#include "reconrun.h"

#include "sgmwindow.h"
#include "sinogrambuilder.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

ReconRun::ReconRun(const Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings)
{
    m_saver.setOptions(settings.folders.useSubFolders, settings.folders.ofEnergy,
                       settings.folders.ofSlice);
    m_saver.moveToThread(&m_saverThread);
    connect(&m_saver, &DataSaver::writeFailed, this,
            [this](const QString& path, const QString& reason) {
                m_failures << QStringLiteral("%1: %2").arg(path, reason);
            });
    connect(&m_saver, &DataSaver::fileWritten, this,
            [this](const QString& path) { m_written << path; });

    const ImageSet& set = *settings.inputs.images;
    const int length = SinogramBuilder::lineLength(set, settings.rotAxIsV);
    const SgmWindow window = SgmWindow::of(settings.rotAxIsV, length, settings.cor);
    const int n = (window.width / 2) * 2;
    const int workers = std::max(1, std::min<int>(settings.threads, int(settings.slices.size())));
    for (int i = 0; i < workers; ++i) {
        auto thread = std::make_unique<QThread>();
        auto worker = std::make_unique<CtCalc2>();
        worker->setInputs(settings.inputs);
        worker->prepare(n, set.count());
        worker->setSaveImage(settings.image.on, settings.image.path, settings.image.name,
                             settings.image.tag);
        worker->setSaveData(settings.data.on, settings.data.path, settings.data.name,
                            settings.data.tag);
        FloatTarget floats = settings.floats;
        floats.volume = writesVolume();
        worker->setSaveFloats(floats);
        worker->moveToThread(thread.get());
        connect(worker.get(), &CtCalc2::saveDataWDiscard, &m_saver, &DataSaver::saveDataWDiscard);
        connect(worker.get(), &CtCalc2::saveImgWDiscard, &m_saver, &DataSaver::saveImgWDiscard);
        connect(worker.get(), &CtCalc2::saveFloatsWDiscard, &m_saver,
                &DataSaver::saveFloatsWDiscard);
        connect(worker.get(), &CtCalc2::addToVolume, &m_saver, &DataSaver::addToVolume);
        connect(worker.get(), &CtCalc2::resultReady, this, &ReconRun::sliceResult);
        CtCalc2* w = worker.get();
        connect(w, &CtCalc2::calcFinished, this, [this, w] {
            ++m_done;
            emit sliceDone(m_done, int(m_settings.slices.size()));
            handOut(w);
        });
        m_threads.push_back(std::move(thread));
        m_workers.push_back(std::move(worker));
    }
}

ReconRun::~ReconRun()
{
    for (auto& thread : m_threads) {
        thread->quit();
        thread->wait();
    }
    m_saverThread.quit();
    m_saverThread.wait();
}

void ReconRun::handOut(CtCalc2* worker)
{
    if (m_next >= m_settings.slices.size())
        return;
    const int slice = m_settings.slices.at(m_next++);
    const bool axis = m_settings.rotAxIsV;
    const double cor = m_settings.cor;
    QMetaObject::invokeMethod(
        worker, [worker, axis, cor, slice] { worker->startCt(worker, axis, cor, slice, false); },
        Qt::QueuedConnection);
}

void ReconRun::run()
{
    m_saverThread.start();
    for (auto& thread : m_threads)
        thread->start();
    QEventLoop loop;
    const int total = int(m_settings.slices.size());
    connect(this, &ReconRun::sliceDone, &loop, [&loop, total](int done) {
        if (done >= total)
            loop.quit();
    });
    const FloatTarget& f = m_settings.floats;
    if (writesVolume()) {
        SavingVolume volume;
        volume.path = f.path;
        volume.name = f.name;
        volume.tag = f.tag;
        volume.slices = m_settings.slices;
        volume.cor = m_settings.cor;
        volume.anglesDeg = m_settings.inputs.params.anglesDeg();
        volume.energyEv = f.energyEv;
        volume.tiffStack = m_settings.tiffStack;
        volume.hdf5 = m_settings.hdf5;
        QMetaObject::invokeMethod(
            &m_saver, [this, volume] { m_saver.beginVolume(volume); }, Qt::QueuedConnection);
    }
    for (auto& worker : m_workers)
        handOut(worker.get());
    if (m_done < total)
        loop.exec();
    // Every record was queued to the saver before its slice reported; these calls run after them.
    if (writesVolume())
        QMetaObject::invokeMethod(
            &m_saver, [this, f] { m_saver.endVolume(f.path, f.name, f.tag); },
            Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        &m_saver, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::processEvents();
}
