#include <QSlider>
#include <QtTest>

#include "sound/Slider.h"
#include "sound/ui/SliderBinding.h"

using namespace vantrel;

class SliderBindingTest : public QObject {
    Q_OBJECT
private slots:
    void mirrorsRangeValueAndToolTip();
    void viewMoves_data();
    void viewMoves();
    void coreMovesViewWithoutEcho();
    void outlivesCore();
};

void SliderBindingTest::mirrorsRangeValueAndToolTip() {
    Slider core(-12, 12, 3);
    core.SetToolTipText(QStringLiteral("3"));
    QSlider view;
    SliderBinding::bind(core, view);
    QCOMPARE(view.minimum(), -12);
    QCOMPARE(view.maximum(), 12);
    QCOMPARE(view.value(), 3);
    QCOMPARE(view.toolTip(), QStringLiteral("3"));
    core.SetToolTipText(QStringLiteral("10.001"));
    QCOMPARE(view.toolTip(), QStringLiteral("10.001"));
}

// What the view shows after a user move, given what the core's handler does with it.
void SliderBindingTest::viewMoves_data() {
    QTest::addColumn<int>("move");
    QTest::addColumn<int>("handlerSets");  // 0 = the handler leaves the value alone
    QTest::addColumn<int>("coreAfter");
    QTest::addColumn<int>("runs");
    QTest::newRow("plain move") << 1100 << 0 << 1100 << 1;
    QTest::newRow("same value") << 1000 << 0 << 1000 << 0;
    QTest::newRow("handler puts it back") << 1200 << 1000 << 1000 << 2;
    QTest::newRow("handler moves it on") << 1200 << 1300 << 1300 << 2;
}

void SliderBindingTest::viewMoves() {
    QFETCH(int, move);
    QFETCH(int, handlerSets);
    QFETCH(int, coreAfter);
    QFETCH(int, runs);
    Slider core(500, 1500, 1000);
    int handled = 0;
    core.onChanged = [&] {
        ++handled;
        if (handlerSets && handled == 1) core.SetValue(handlerSets);
    };
    QSlider view;
    SliderBinding::bind(core, view);
    view.setValue(move);
    QCOMPARE(core.Value(), coreAfter);
    QCOMPARE(view.value(), coreAfter);
    QCOMPARE(handled, runs);
}

void SliderBindingTest::coreMovesViewWithoutEcho() {
    Slider core(0, 65535, 0);
    int handled = 0;
    core.onChanged = [&] { ++handled; };
    QSlider view;
    SliderBinding::bind(core, view);
    QSignalSpy viewSpy(&view, &QSlider::valueChanged);
    core.SetValue(26214);
    QCOMPARE(view.value(), 26214);
    QCOMPARE(handled, 1);  // the view's change did not come back as a second SetValue
    QCOMPARE(viewSpy.count(), 1);
}

void SliderBindingTest::outlivesCore() {
    QSlider view;
    {
        Slider core(0, 10, 5);
        SliderBinding::bind(core, view);
    }
    view.setValue(7);  // must not reach the destroyed core
    QCOMPARE(view.value(), 7);
}

QTEST_MAIN(SliderBindingTest)
#include "tst_sliderbinding.moc"
