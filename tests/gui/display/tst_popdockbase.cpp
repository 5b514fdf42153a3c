#include "closablebase.h"
#include "popdockbase.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace
{

QList<bool> reported(const QSignalSpy& spy)
{
    QList<bool> values;
    for (const QList<QVariant>& args : spy)
        values << args.at(0).toBool();
    return values;
}

void clickPopDock(PopDockBase& base)
{
    QTest::mouseClick(base.findChild<QPushButton*>("PopDock"), Qt::LeftButton);
}

bool isDocked(PopDockBase& base, QWidget* content)
{
    return content->parentWidget() == &base &&
           base.findChild<QGridLayout*>("Layout")->indexOf(content) >= 0;
}

bool isInPopWindow(PopDockBase& base, QWidget* content)
{
    return content->parentWidget() == base.popWindow() &&
           base.popWindow()->layout()->indexOf(content) >= 0;
}

} // namespace

class tst_popdockbase : public QObject
{
    Q_OBJECT

private slots:
    void contentStartsDocked()
    {
        PopDockBase base;
        auto* content = new QLabel("content");
        base.setContent(content);
        QVERIFY(isDocked(base, content));
        QVERIFY(!base.isPopped());
        QVERIFY(base.popWindow()->isHidden());
    }

    void buttonPopsAndDocks()
    {
        PopDockBase base;
        auto* content = new QLabel("content");
        base.setContent(content);
        base.show();
        QSignalSpy spy(&base, &PopDockBase::popped);

        clickPopDock(base);
        QVERIFY(base.popWindow()->isVisible());
        QVERIFY(isInPopWindow(base, content));
        QVERIFY(base.isPopped());
        QCOMPARE(reported(spy), QList<bool>{true});

        clickPopDock(base);
        QVERIFY(base.popWindow()->isHidden());
        QVERIFY(isDocked(base, content));
        QVERIFY(!base.isPopped());
        QCOMPARE(reported(spy), QList<bool>({true, false}));
    }

    void closingThePopWindowDocks()
    {
        PopDockBase base;
        auto* content = new QLabel("content");
        base.setContent(content);
        clickPopDock(base);
        QSignalSpy spy(&base, &PopDockBase::popped);

        QVERIFY(base.popWindow()->close());

        QVERIFY(base.popWindow()->isHidden());
        QVERIFY(isDocked(base, content));
        QVERIFY(!base.isPopped());
        QCOMPARE(reported(spy), QList<bool>{false});
    }

    void moveSlotsLeaveTheWindowAlone()
    {
        PopDockBase base;
        auto* content = new QLabel("content");
        base.setContent(content);
        QSignalSpy spy(&base, &PopDockBase::popped);

        base.moveToPopBase();
        QVERIFY(base.popWindow()->isHidden());
        QVERIFY(isInPopWindow(base, content));
        QVERIFY(base.isPopped());

        base.moveToDockBase();
        QVERIFY(isDocked(base, content));
        QVERIFY(!base.isPopped());
        QCOMPARE(reported(spy), QList<bool>({true, false}));
    }

    void setPoppedSwitchesOnlyOnChange_data()
    {
        QTest::addColumn<QList<bool>>("requests");
        QTest::addColumn<bool>("windowVisible");
        QTest::addColumn<QList<bool>>("signalled");
        QTest::newRow("dock while docked") << QList<bool>{false} << false << QList<bool>{};
        QTest::newRow("pop twice") << QList<bool>{true, true} << true << QList<bool>{true};
        QTest::newRow("pop then dock")
            << QList<bool>{true, false} << false << QList<bool>({true, false});
    }

    void setPoppedSwitchesOnlyOnChange()
    {
        QFETCH(QList<bool>, requests);
        QFETCH(bool, windowVisible);
        QFETCH(QList<bool>, signalled);
        PopDockBase base;
        base.setContent(new QLabel("content"));
        QSignalSpy spy(&base, &PopDockBase::popped);

        for (bool f : requests)
            base.setPopped(f);

        QCOMPARE(base.popWindow()->isVisible(), windowVisible);
        QCOMPARE(base.isPopped(), requests.last());
        QCOMPARE(reported(spy), signalled);
    }

    void withoutContentOnlyTheWindowToggles()
    {
        PopDockBase base;
        QSignalSpy spy(&base, &PopDockBase::popped);

        clickPopDock(base);
        QVERIFY(base.popWindow()->isVisible());
        QVERIFY(!base.isPopped());

        clickPopDock(base);
        QVERIFY(base.popWindow()->isHidden());
        QCOMPARE(spy.count(), 0);
    }

    void destroyingWhilePoppedDeletesEverythingOnce()
    {
        auto* base = new PopDockBase;
        QPointer<QLabel> content = new QLabel("content");
        base->setContent(content);
        clickPopDock(*base);
        QPointer<ClosableBase> window = base->popWindow();
        QSignalSpy contentGone(content.data(), &QObject::destroyed);

        delete base;

        QVERIFY(window.isNull());
        QVERIFY(content.isNull());
        QCOMPARE(contentGone.count(), 1);
    }

    void contentDeletedWhilePoppedLeavesNothingBehind()
    {
        PopDockBase base;
        auto* content = new QLabel("content");
        base.setContent(content);
        clickPopDock(base);
        QSignalSpy spy(&base, &PopDockBase::popped);

        delete content;

        QCOMPARE(base.content(), nullptr);
        QCOMPARE(base.popWindow()->layout()->count(), 0);
        QVERIFY(!base.isPopped());
        QVERIFY(base.popWindow()->isHidden());
        QCOMPARE(spy.count(), 0);
    }
};

QTEST_MAIN(tst_popdockbase)
#include "tst_popdockbase.moc"
