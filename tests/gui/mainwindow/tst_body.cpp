#include "config/config.h"
#include "mainwindow/body.h"
#include "mainwindow/translation.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class tst_body : public QObject
{
    Q_OBJECT

private:
    static QTabWidget* tabs(Body& body) { return body.form().ImgsTab; }
    static QStringList tabTitles(Body& body)
    {
        QStringList titles;
        for (int i = 0; i < tabs(body)->count(); ++i)
            titles << tabs(body)->tabText(i);
        return titles;
    }

private slots:
    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void windowAndTabs()
    {
        Body body;
        QCOMPARE(body.windowTitle(), QString("Cirvo"));
        QCOMPARE(tabTitles(body),
                 QStringList({"Raw Image", "Sinogram", "CT Reconstructed Image", "CT2", "I0 Image",
                              "BG Image", "CT Images", "3D View"}));
        QCOMPARE(tabs(body)->currentIndex(), 0);
    }

    void oneTabPerCt2Worker()
    {
        // The key is looked up in any letter case.
        Config::instance().enter("Show_All_CT2_Images", "1", "");
        {
            Body body(2);
            QCOMPARE(body.ct2WorkerCount(), 2);
            QCOMPARE(tabTitles(body),
                     QStringList({"Raw Image", "Sinogram", "CT Reconstructed Image", "I0 Image",
                                  "BG Image", "CT Images", "3D View", "CT2 1", "CT2 2"}));
        }
        Config::instance().enter("show_all_ct2_images", "0", "");
        Body body(3);
        QCOMPARE(body.ct2WorkerCount(), 3);
        QCOMPARE(tabs(body)->tabText(3), QStringLiteral("CT2"));
        QCOMPARE(tabs(body)->count(), 8);
        QCOMPARE(body.form().procCtrl->threads(), 2);
    }

    void showCommands_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("tab");
        QTest::newRow("show_tab") << "show_tab 4" << 4;
        QTest::newRow("any case") << "SHOW_Tab 5" << 5;
        QTest::newRow("show_sinogram") << "show_sinogram" << 1;
        QTest::newRow("show_ct1") << "show_ct1" << 2;
        QTest::newRow("show_i0") << "show_i0" << 3;
        QTest::newRow("show_bg") << "show_bg" << 4;
        QTest::newRow("unknown word changes nothing") << "show_nothing 2" << 6;
        QTest::newRow("label line changes nothing") << "loop_start" << 6;
        QTest::newRow("out of range changes nothing") << "show_tab 99" << 6;
    }

    void showCommands()
    {
        QFETCH(QString, line);
        QFETCH(int, tab);
        Body body;
        tabs(body)->setCurrentIndex(6);
        QSignalSpy done(&body, &Body::callBatchCheckEnd);
        body.batchExCmd(BatchCmd::parse(line));
        QCOMPARE(tabs(body)->currentIndex(), tab);
        QCOMPARE(done.count(), 1);
        body.batchExCmd(BatchCmd::parse("show_orig"));
        QCOMPARE(tabs(body)->currentIndex(), 0);
    }

    void configurationLinesRunAtConstruction()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("startup.cfg"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("DataRoot /somewhere\nshow_ct1\n# comment\nSHOW_TAB 3 # the I0 tab\n");
        f.close();
        QVERIFY(Config::instance().readFile(f.fileName()));
        Body body;
        QCOMPARE(tabs(body)->currentIndex(), 3);
    }

    void batchScriptDrivesTheWindow()
    {
        // The interpreter runs on its own thread: the script steps through the tabs, one
        // command per completion, and the last tab stays.
        QTemporaryDir dir;
        QFile f(dir.filePath("script.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("show_sinogram\nshow_tab 4\n:goto last\nshow_tab 2\nlast\nshow_i0\n");
        f.close();
        Body body;
        QSignalSpy done(&body, &Body::callBatchCheckEnd);
        emit body.callBatchLoad(f.fileName());
        emit body.callBatchExec();
        QTRY_COMPARE(done.count(), 4);
        QCOMPARE(tabs(body)->currentIndex(), 3);
    }

    void closingEmitsFinishing()
    {
        Body body;
        QSignalSpy finishing(&body, &Body::finishing);
        body.show();
        QVERIFY(body.close());
        QCOMPARE(finishing.count(), 1);

        Body hidden;
        QSignalSpy hiddenFinishing(&hidden, &Body::finishing);
        hidden.close();
        QCOMPARE(hiddenFinishing.count(), 1);
    }

    void japaneseCatalogue()
    {
        QTranslator translator;
        QVERIFY(installTranslation(*qApp, translator));
        {
            Body body;
            QCOMPARE(tabTitles(body).first(), QString::fromUtf8("\u751f\u753b\u50cf"));
            QCOMPARE(body.windowTitle(), QString("Cirvo"));
            QStringList titles = tabTitles(body);
            titles.removeAll(QStringLiteral("CT2"));
            for (const QString& title : titles)
                QVERIFY2(title.toLatin1() != title.toUtf8(),
                         qPrintable(title + " is not translated"));
            // The sequence's stages come from the core in English and show translated.
            emit body.stage(QStringLiteral("Finished"), 0);
            QCOMPARE(body.form().ProgressMsg->text(), QString::fromUtf8("\u5b8c\u4e86"));
        }
        // Qt's own dialogs (file selection) speak Japanese too, where Qt's catalogue is installed.
        QTranslator qt;
        QVERIFY(installQtTranslation(*qApp, qt));
        QVERIFY(QCoreApplication::translate("QFileDialog", "Open") != QLatin1String("Open"));
        QCoreApplication::removeTranslator(&qt);
        QCoreApplication::removeTranslator(&translator);
    }
};

QTEST_MAIN(tst_body)
#include "tst_body.moc"
