// The core slider and its binding to the panels' view.
#include <QSlider>
#include <QtTest>

#include "sound/Slider.h"
#include "sound/ui/SliderBinding.h"

using namespace vantrel;

class SliderTest : public QObject {
    Q_OBJECT
private slots:
    void moves_data();
    void moves();
    void bindingOutlivesTheCore();
};

// A move from the core or the view: both end on the same value, clamped to the range, and the
// handler runs once per real change (a same value or the view's echo does not run it).
void SliderTest::moves_data() {
    QTest::addColumn<bool>("fromView");
    QTest::addColumn<int>("move");
    QTest::addColumn<int>("handlerSets");  // 0 = the handler leaves the value alone
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("runs");
    QTest::newRow("core, inside") << false << 1234 << 0 << 1234 << 1;
    QTest::newRow("core, same") << false << 1000 << 0 << 1000 << 0;
    QTest::newRow("core, above") << false << 2000 << 0 << 1500 << 1;
    QTest::newRow("core, below") << false << -5 << 0 << 500 << 1;
    QTest::newRow("view, inside") << true << 1100 << 0 << 1100 << 1;
    QTest::newRow("view, same") << true << 1000 << 0 << 1000 << 0;
    QTest::newRow("view, handler puts it back") << true << 1200 << 1000 << 1000 << 2;
    QTest::newRow("view, handler moves it on") << true << 1200 << 1300 << 1300 << 2;
}

void SliderTest::moves() {
    QFETCH(bool, fromView);
    QFETCH(int, move);
    QFETCH(int, handlerSets);
    QFETCH(int, after);
    QFETCH(int, runs);
    Slider core(500, 1500, 1000);
    core.SetToolTipText(QStringLiteral("3"));
    int handled = 0;
    core.onChanged = [&] {
        if (++handled == 1 && handlerSets) core.SetValue(handlerSets);
    };
    QSignalSpy spy(&core, &Slider::valueChanged);
    QSlider view;
    SliderBinding::bind(core, view);
    QCOMPARE(view.minimum(), 500);
    QCOMPARE(view.maximum(), 1500);
    QCOMPARE(view.value(), 1000);
    QCOMPARE(view.toolTip(), QStringLiteral("3"));
    core.SetToolTipText(QStringLiteral("10.001"));
    QCOMPARE(view.toolTip(), QStringLiteral("10.001"));
    fromView ? view.setValue(move) : core.SetValue(move);
    QCOMPARE(core.Value(), after);
    QCOMPARE(view.value(), after);
    QCOMPARE(handled, runs);
    QCOMPARE(spy.count(), runs);
}

void SliderTest::bindingOutlivesTheCore() {
    QSlider view;
    {
        Slider core(0, 10, 5);
        SliderBinding::bind(core, view);
    }
    view.setValue(7);  // must not reach the destroyed core
    QCOMPARE(view.value(), 7);
}

QTEST_MAIN(SliderTest)
#include "tst_slider.moc"
