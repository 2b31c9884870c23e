#pragma once
// frmAbout: the program's title and version, and a way to the system-information tool. Modal,
// fixed size, centred on the screen; it lives only while it is shown.
#include <QDialog>

class QLabel;
class QPushButton;

namespace vantrel {

class Dialogs;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 403;   // 6045 twips
    static constexpr int kHeight = 153;  // 2295 twips

    explicit AboutBox(Dialogs& dialogs, QWidget* parent = nullptr);

    // "Version 1.4.0", from the project's version.
    static QString versionText();

    // Shows the box modally and returns when it is closed.
    static void showModal(Dialogs& dialogs, QWidget* parent);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

private:
    void onLoad();
    Dialogs& dialogs_;
};

}  // namespace vantrel
