#include "testfile.h"
#include "testseries.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Unattended CT-XAFS runs: cirvo -nw -b SCRIPT -x -q works through a script and quits by itself;
// what it saves is byte for byte what cirvo-recon --series writes with the same settings.
namespace
{

// The exit code, or -1 when the program did not end by itself within a minute.
int run(const QString& program, const QStringList& args, const QString& workDir,
        QByteArray* output = nullptr)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ended = p.waitForFinished(60000);
    if (output)
        *output = p.readAll();
    if (!ended) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class tst_unattended : public QObject
{
    Q_OBJECT

private slots:
    void scriptRunsASeriesAndQuits_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("tags");
        // The loop of the README: every set, each loaded with its own I0 image before it is
        // calculated, since calc_exec waits for the files that seq_exec_set began to load.
        QTest::newRow("loop over every set")
            << "seq_exec_set\n"
               "calc_exec\n"
               "loop\n"
               "seq_exec_next\n"
               ":ifng :goto done\n"
               "seq_exec_set\n"
               "calc_exec\n"
               ":goto loop\n"
               "done\n"
               ":echo all sets done\n"
               "\n"
            << 0 << QStringList{"7080eV", "7100eV", "7120eV", "7140eV"};
        QTest::newRow(":end after two sets") << "seq_exec_set\ncalc_exec\nseq_exec_next\n"
                                                "seq_exec_set\ncalc_exec\n:end\nseq_exec_next\n"
                                                "seq_exec_set\ncalc_exec\n"
                                             << 0 << QStringList{"7080eV", "7100eV"};
        // Nothing loaded: the calculation is refused, the script goes on and ends.
        QTest::newRow("calc_exec without images") << "calc_exec\nct_cor 12\n:stop\n"
                                                  << 0 << QStringList{};
        QTest::newRow("script that cannot be read") << "MISSING" << 1 << QStringList{};
    }

    void scriptRunsASeriesAndQuits()
    {
        QFETCH(QString, body);
        QFETCH(int, status);
        QFETCH(QStringList, tags);
        QTemporaryDir tmp;
        const QDir root(tmp.path());
        const QString series = root.filePath("series with blanks");
        writeTestSeries(series, "ph", 48, 6, 60);
        const QString out = root.filePath("out");
        const QString settings = QStringLiteral("bg_load \"%1/BG.img\"\n"
                                                "ct_rot_ax_is_v 1\n"
                                                "ct_auto_exec 1\n"
                                                "ct_slice_from 2\n"
                                                "ct_threads 2\n"
                                                "auto_save_data 1\n"
                                                "auto_save_data_path \"%2\"\n"
                                                "auto_save_data_name rec\n"
                                                "auto_save_in_sub_folders 1\n"
                                                "auto_save_in_sub_folders_of_energy 1\n"
                                                "auto_save_float_tiff 1\n"
                                                "auto_save_tiff_stack 1\n"
                                                "auto_save_hdf5 1\n"
                                                "add_inf_Eng_Dirs 1\n"
                                                "seq_exec_dir \"%1/dirs\"\n"
                                                "seq_exec_select_i0 \"%1/i0\" *.img\n")
                                     .arg(series, out);
        QString script = root.filePath("run.txt");
        if (body == "MISSING")
            script = root.filePath("none.txt");
        else {
            QFile f(script);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write((settings + body).toUtf8());
        }
        QByteArray log;
        QCOMPARE(run(CIRVO_EXE, {"-nw", "-e", "-b", script, "-x", "-q"}, root.path(), &log),
                 status);

        // Each set's float files too: a TIFF per slice, and its stack and HDF5 file, whose
        // chunks follow the workers' order, so only its presence is compared.
        QStringList expected;
        for (const QString& tag : tags) {
            for (int slice = 2; slice <= 5; ++slice)
                for (const char* ext : {"dat", "tif"})
                    expected << QStringLiteral("%1/rec-%1-0000%2.%3").arg(tag).arg(slice).arg(ext);
            expected << QStringLiteral("%1/rec-%1.h5").arg(tag)
                     << QStringLiteral("%1/rec-%1.tif").arg(tag);
        }
        expected.sort();
        QCOMPARE(filesBelow(out), expected);
        if (tags.isEmpty())
            return;

        const QString recon = root.filePath("recon");
        QVERIFY2(run(CIRVO_RECON_EXE, {"--series",      series + "/dirs",
                                       "--layout",      "dirs",
                                       "--i0-dir",      series + "/i0",
                                       "--bg",          series + "/BG.img",
                                       "--slices",      "2:5",
                                       "--region",      "0,0,47,47",
                                       "--save",        "data,tiff,tiff-stack,h5",
                                       "--sub-folders", "energy",
                                       "--name",        "rec",
                                       "--out",         recon,
                                       "--sets",        QStringLiteral("1:%1").arg(tags.size())},
                     root.path(), &log) == 0,
                 log.constData());
        QCOMPARE(filesBelow(recon), expected);
        for (const QString& file : expected)
            QVERIFY2(file.endsWith(".h5") || fileBytes(QDir(out).filePath(file)) ==
                                                 fileBytes(QDir(recon).filePath(file)),
                     qPrintable(file));
    }
};

QTEST_GUILESS_MAIN(tst_unattended)
#include "tst_unattended.moc"
