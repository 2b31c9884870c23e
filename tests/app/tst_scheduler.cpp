#include <QtTest>

#include "app/Scheduler.h"

using namespace vantrel;

class SchedulerTest : public QObject {
    Q_OBJECT
private slots:
    void firesInTimeOrderWithTies();
    void advanceReportsElapsedTimeBeforeEachTick();
    void retimingAndDisablingInsideATick();
    void enablingAnEnabledTimerKeepsItsCountdown();
};

void SchedulerTest::firesInTimeOrderWithTies() {
    VirtualScheduler s;
    QStringList log;
    auto a = s.createTimer(30, [&] { log << QStringLiteral("a%1").arg(s.nowMs()); });
    auto b = s.createTimer(20, [&] { log << QStringLiteral("b%1").arg(s.nowMs()); });
    a->SetEnabled(true);
    b->SetEnabled(true);
    s.advance(60);
    // At 60 both are due; b was re-armed at 40, after a was armed at 30, so a fires first.
    QCOMPARE(log, (QStringList{"b20", "a30", "b40", "a60", "b60"}));
}

void SchedulerTest::advanceReportsElapsedTimeBeforeEachTick() {
    VirtualScheduler s;
    qint64 rendered = 0;
    QList<qint64> seenAtTick;
    s.onAdvance = [&](qint64 from, qint64 to) {
        QCOMPARE(from, rendered);
        rendered = to;
    };
    auto t = s.createTimer(30, [&] { seenAtTick << rendered; });
    t->SetEnabled(true);
    s.advance(100);
    QCOMPARE(seenAtTick, (QList<qint64>{30, 60, 90}));
    QCOMPARE(rendered, qint64(100));
}

void SchedulerTest::retimingAndDisablingInsideATick() {
    VirtualScheduler s;
    QList<qint64> ticks;
    std::unique_ptr<Timer> t;
    t = s.createTimer(80, [&] {
        ticks << s.nowMs();
        t->SetInterval(20);
        if (ticks.size() == 3) t->SetEnabled(false);
    });
    t->SetEnabled(true);
    s.advance(1000);
    QCOMPARE(ticks, (QList<qint64>{80, 100, 120}));
    QVERIFY(!t->Enabled());
}

void SchedulerTest::enablingAnEnabledTimerKeepsItsCountdown() {
    VirtualScheduler s;
    QList<qint64> ticks;
    auto t = s.createTimer(30, [&] { ticks << s.nowMs(); });
    t->SetEnabled(true);
    s.advance(20);
    t->SetEnabled(true);
    s.advance(20);
    QCOMPARE(ticks, (QList<qint64>{30}));
    QVERIFY(s.runUntil([&] { return ticks.size() == 3; }, 1000));
    QCOMPARE(s.nowMs(), qint64(90));
}

QTEST_GUILESS_MAIN(SchedulerTest)
#include "tst_scheduler.moc"
