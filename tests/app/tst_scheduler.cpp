// The virtual clock under every offline test and the renderer: timers fire in time order, after
// exactly the time that passed before them, and keep their countdown through changes.
#include <QtTest>

#include "base/Scheduler.h"

using namespace vantrel;

class SchedulerTest : public QObject {
    Q_OBJECT
private slots:
    void firesInTimeOrderAfterTheTimeBeforeIt() {
        VirtualScheduler s;
        qint64 passed = 0;  // as an offline output would have rendered it
        s.onAdvance = [&](qint64 from, qint64 to) {
            QCOMPARE(from, passed);
            passed = to;
        };
        QStringList log;
        auto mark = [&](const char* name) {
            log << name + QStringLiteral("%1 %2").arg(s.nowMs()).arg(passed);
        };
        auto a = s.createTimer(30, [&] { mark("a"); });
        auto b = s.createTimer(20, [&] { mark("b"); });
        a->SetEnabled(true);
        b->SetEnabled(true);
        s.advance(70);
        // At 60 both are due; b was re-armed at 40, after a was armed at 30, so a fires first.
        QCOMPARE(log, (QStringList{"b20 20", "a30 30", "b40 40", "a60 60", "b60 60"}));
        QCOMPARE(passed, qint64(70));
    }

    void changesKeepTheCountdown() {
        VirtualScheduler s;
        QList<qint64> ticks, kept;
        // Retimed and disabled inside its own tick.
        std::unique_ptr<Timer> t = s.createTimer(80, [&] {
            ticks << s.nowMs();
            t->SetInterval(20);
            if (ticks.size() == 3) t->SetEnabled(false);
        });
        // Enabled again while enabled: the countdown runs on.
        auto u = s.createTimer(30, [&] { kept << s.nowMs(); });
        t->SetEnabled(true);
        u->SetEnabled(true);
        s.advance(20);
        u->SetEnabled(true);
        s.advance(1000 - 20);
        QCOMPARE(ticks, (QList<qint64>{80, 100, 120}));
        QVERIFY(!t->Enabled());
        QCOMPARE(kept.mid(0, 3), (QList<qint64>{30, 60, 90}));
    }
};

QTEST_GUILESS_MAIN(SchedulerTest)
#include "tst_scheduler.moc"
