#include "testseries.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A run shared by several processes, as shards of a job array or MPI ranks, writes byte for
// byte the files of one cirvo-recon run.
class tst_sharedrun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_series;

    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QStringList options(const QString& series, const QString& out, const QString& save) const
    {
        return {"--series",      series + "/dirs",
                "--layout",      "dirs",
                "--i0-dir",      series + "/i0",
                "--bg",          series + "/BG.img",
                "--slices",      "1:6",
                "--save",        save,
                "--out",         out,
                "--sub-folders", "energy",
                "--threads",     "1"};
    }

    // Exit status; standard error into *err.
    static int run(const QString& program, const QStringList& args,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                   QByteArray* err = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(120000))
            return -1;
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // Every file under dir, by relative path, with a digest of its bytes.
    static QMap<QString, QByteArray> files(const QString& dir)
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly))
                out.insert(QDir(dir).relativeFilePath(f.fileName()),
                           QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
        }
        return out;
    }

#ifdef CIRVO_RECON_MPI_EXE
    static QProcessEnvironment mpiEnvironment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // CI runs as root; Open MPI refuses that without both.
        env.insert("OMPI_ALLOW_RUN_AS_ROOT", "1");
        env.insert("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1");
        return env;
    }

    static QStringList mpirun(int ranks)
    {
        return {"-np", QString::number(ranks), "--oversubscribe", "--bind-to", "none"};
    }
#endif

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_series = path("series");
        writeTestSeries(m_series, "phantom", 40, 8, 36);
    }

    void sameFilesAsOneRun_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("save");
        // Faults caught: a slice lost or written twice where sets are cut between processes, a
        // set's size or I0 taken from the wrong set, a stack file written by two processes.
        QTest::newRow("two shards") << "shards" << 2 << "data,png";
        QTest::newRow("three shards, the last set cut") << "shards" << 3 << "data,tiff";
        QTest::newRow("three shards, stacks whole") << "shards" << 3 << "data,tiff-stack";
        QTest::newRow("shards from the array variables") << "array" << 5 << "data";
#ifdef CIRVO_RECON_MPI_EXE
        QTest::newRow("two MPI ranks") << "mpi" << 2 << "data,png";
        QTest::newRow("three MPI ranks, stacks whole") << "mpi" << 3 << "data,h5";
#endif
    }

    void sameFilesAsOneRun()
    {
        QFETCH(QString, how);
        QFETCH(int, count);
        QFETCH(QString, save);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_');
        const QString one = path(tag + "-one");
        QCOMPARE(run(CIRVO_RECON_EXE, options(m_series, one, save)), 0);
        const QString shared = path(tag + "-shared");
        const QStringList args = options(m_series, shared, save);
        if (how == "shards" || how == "array") {
            for (int i = 0; i < count; ++i) {
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                QStringList taskArgs = args;
                if (how == "array") {
                    env.insert("SLURM_ARRAY_TASK_ID", QString::number(i));
                    env.insert("SLURM_ARRAY_TASK_COUNT", QString::number(count));
                } else {
                    taskArgs << "--shard" << QStringLiteral("%1/%2").arg(i).arg(count);
                }
                QCOMPARE(run(CIRVO_RECON_EXE, taskArgs, env), 0);
            }
        }
#ifdef CIRVO_RECON_MPI_EXE
        if (how == "mpi")
            QCOMPARE(
                run(CIRVO_MPIEXEC, mpirun(count) << CIRVO_RECON_MPI_EXE << args, mpiEnvironment()),
                0);
#endif
        const QMap<QString, QByteArray> expected = files(one);
        QVERIFY(expected.size() >= 5);
        QCOMPARE(files(shared), expected);
    }

    // A set whose frame cannot be read: the shard that takes it names the file and fails, the
    // other does not. Three MPI ranks share that set (the short round): the file is named once
    // for all, and every rank exits with 1.
    void anUnreadableFrameFailsTheRun()
    {
        const QString bad = path("bad");
        writeTestSeries(bad, "phantom", 40, 8, 36);
        const QString broken = bad + "/dirs/7140eV/phantom_00007.img";
        QFile f(broken);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.write("XX", 2) == 2);
        f.close();
        const QStringList args = options(bad, path("bad-out"), "data");
        const auto linesNaming = [&broken](const QByteArray& text) {
            const QList<QByteArray> lines = text.split('\n');
            return std::count_if(lines.begin(), lines.end(), [&broken](const QByteArray& line) {
                return line.contains(broken.toUtf8());
            });
        };
        QByteArray err;
        QCOMPARE(run(CIRVO_RECON_EXE,
                     QStringList(args) << "--shard"
                                       << "0/2",
                     QProcessEnvironment::systemEnvironment(), &err),
                 0);
        QCOMPARE(run(CIRVO_RECON_EXE,
                     QStringList(args) << "--shard"
                                       << "1/2",
                     QProcessEnvironment::systemEnvironment(), &err),
                 1);
        QCOMPARE(linesNaming(err), 1);
#ifdef CIRVO_RECON_MPI_EXE
        const QString status = path("rank-status");
        QDir().mkpath(status);
        // Each rank's own exit status, which mpirun folds into one.
        const QString script =
            QStringLiteral("\"$0\" \"$@\"; echo $? > %1/${OMPI_COMM_WORLD_RANK:-$PMI_RANK}")
                .arg(status);
        run(CIRVO_MPIEXEC,
            mpirun(3) << "sh"
                      << "-c" << script << CIRVO_RECON_MPI_EXE << args,
            mpiEnvironment(), &err);
        QCOMPARE(linesNaming(err), 1);
        for (int rank = 0; rank < 3; ++rank) {
            QFile s(QStringLiteral("%1/%2").arg(status).arg(rank));
            QVERIFY(s.open(QIODevice::ReadOnly));
            QCOMPARE(s.readAll().trimmed(), QByteArray("1"));
        }
#endif
    }
};

QTEST_GUILESS_MAIN(tst_sharedrun)
#include "tst_sharedrun.moc"
