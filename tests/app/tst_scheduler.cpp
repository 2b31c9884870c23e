// The virtual clock under every offline test and the renderer: timers keep their countdown
// through changes (their order in time is what every deck test runs on).
#include <QtTest>

#include "base/Scheduler.h"

using namespace vantrel;

class SchedulerTest : public QObject {
    Q_OBJECT
private slots:
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
