#pragma once

#include "ctcalc2.h"
#include "datasaver.h"

#include <QObject>
#include <QThread>

#include <memory>
#include <vector>

// Reconstructs a list of slices on a pool of multi-slice workers, each on its own thread, and
// writes the results through the saver thread: the multi-slice path without windows.
class ReconRun : public QObject
{
    Q_OBJECT

public:
    struct Settings {
        Ct2Inputs inputs;
        bool rotAxIsV = true;
        double cor = 0;
        QList<int> slices;
        int threads = 1;
        SaveTarget image;
        SaveTarget data;
        // Float TIFF per slice (floats.tiff), and the data set's TIFF stack and HDF5 file.
        FloatTarget floats;
        bool tiffStack = false;
        bool hdf5 = false;
        SliceFiles::FolderOptions folders;
    };

    explicit ReconRun(const Settings& settings, QObject* parent = nullptr);
    ~ReconRun() override;

    // Hands out the slices and returns once every slice is computed and every file written.
    void run();
    int slicesDone() const { return m_done; }
    const QStringList& failures() const { return m_failures; }
    const QStringList& written() const { return m_written; }

signals:
    void sliceDone(int done, int total);
    void sliceResult(Ct2Result result);

private:
    void handOut(CtCalc2* worker);
    bool writesVolume() const { return m_settings.tiffStack || m_settings.hdf5; }

    Settings m_settings;
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::vector<std::unique_ptr<CtCalc2>> m_workers;
    QThread m_saverThread;
    DataSaver m_saver;
    int m_next = 0;
    int m_done = 0;
    QStringList m_failures;
    QStringList m_written;
};
