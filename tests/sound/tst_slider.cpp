#include <QtTest>

#include "sound/Slider.h"

using namespace vantrel;

class SliderTest : public QObject {
    Q_OBJECT
private slots:
    void linkedPairSettles();
    void clampsAndIgnoresSameValue_data();
    void clampsAndIgnoresSameValue();
};

void SliderTest::linkedPairSettles() {
    Slider a(2, 14, 8), b(2, 14, 8);
    int runs = 0;
    a.onChanged = [&] {
        ++runs;
        b.SetValue(a.Value());
    };
    b.onChanged = [&] {
        ++runs;
        a.SetValue(b.Value());
    };
    b.SetValue(11);
    QCOMPARE(a.Value(), 11);
    QCOMPARE(runs, 2);
}

void SliderTest::clampsAndIgnoresSameValue_data() {
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("changes");
    QTest::newRow("same") << 1000 << 1000 << 0;
    QTest::newRow("inside") << 1234 << 1234 << 1;
    QTest::newRow("above") << 2000 << 1500 << 1;
    QTest::newRow("below") << -5 << 500 << 1;
}

void SliderTest::clampsAndIgnoresSameValue() {
    QFETCH(int, set);
    QFETCH(int, expected);
    QFETCH(int, changes);
    Slider s(500, 1500, 1000);
    QSignalSpy spy(&s, &Slider::valueChanged);
    int runs = 0;
    s.onChanged = [&] { ++runs; };
    s.SetValue(set);
    QCOMPARE(s.Value(), expected);
    QCOMPARE(runs, changes);
    QCOMPARE(spy.count(), changes);
}

QTEST_GUILESS_MAIN(SliderTest)
#include "tst_slider.moc"
