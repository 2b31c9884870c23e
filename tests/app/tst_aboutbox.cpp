// The about box's fixed texts and size, and its system-information button with no tool on PATH.
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/SystemInfo.h"
#include "app/ui/AboutBox.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void asDesigned() {
        test::ScriptedDialogs dialogs;
        AboutBox box(dialogs);
        QCOMPARE(box.windowTitle(), QStringLiteral("About Vantrel"));
        QCOMPARE(box.lblTitle->text() + '|' + box.lblVersion->text() + '|' + box.cmdOK->text() +
                     '|' + box.cmdSysInfo->text(),
                 QStringLiteral("Vantrel|Version 1.4.0|OK|&System Info..."));
        QVERIFY(!box.Label1->text().isEmpty() && !box.Label2->text().isEmpty() && box.isModal());
        QCOMPARE(box.minimumSize(), QSize(403, 153));
        QCOMPARE(box.maximumSize(), QSize(403, 153));
        // Every control lies inside the fixed box and shows its whole text in the font it has.
        for (QWidget* w : box.findChildren<QWidget*>()) {
            auto* l = qobject_cast<QLabel*>(w);
            if (!l && !qobject_cast<QPushButton*>(w)) continue;
            const bool fits = l && l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                                                 : w->sizeHint().width() <= w->width();
            QVERIFY2(QRect(0, 0, 403, 153).contains(w->geometry()) && fits,
                     qPrintable(w->objectName()));
        }
        // System Info... with no tool on PATH says so.
        QTemporaryDir bin;  // all of PATH, and empty
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
        qputenv("PATH", oldPath);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text,
                 QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Vantrel"));
    }
};

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"
