// The about box's fixed texts and size, and its system-information button with and without a
// tool on PATH.
#include <QFile>
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
    void showsTitleAndVersion() {
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
    }

    void systemInfo_data() {
        QTest::addColumn<QStringList>("tools");  // made executable in a folder that is all of PATH
        QTest::addColumn<QString>("started");    // "" = the message
        QTest::newRow("none") << QStringList{} << QString();
        QTest::newRow("one") << QStringList{"gnome-system-monitor"} << "gnome-system-monitor";
        QTest::newRow("preferred first")
            << QStringList{"gnome-system-monitor", "hardinfo"} << "hardinfo";
        QTest::newRow("not executable") << QStringList{"-hardinfo"} << QString();
    }
    void systemInfo() {
        QFETCH(QStringList, tools);
        QFETCH(QString, started);
        QTemporaryDir bin;
        const QString mark = bin.filePath(QStringLiteral("started"));
        for (QString tool : tools) {
            const bool executable = !tool.startsWith(u'-');
            QFile f(bin.filePath(executable ? tool : tool.remove(0, 1)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("#!/bin/sh\necho %1 > '%2'\n").arg(tool, mark).toUtf8());
            f.setPermissions(executable ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner);
        }
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        test::ScriptedDialogs dialogs;
        AboutBox box(dialogs);
        QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
        qputenv("PATH", oldPath);
        QCOMPARE(dialogs.messages.size(), started.isEmpty() ? 1 : 0);
        if (started.isEmpty()) {
            QCOMPARE(dialogs.messages[0].text,
                     QStringLiteral("System Information Is Unavailable At This Time"));
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("Vantrel"));
        }
        auto ran = [&] {
            QFile f(mark);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().trimmed())
                                               : QString();
        };
        QTRY_COMPARE(ran(), started);
    }
};

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"
