#include "app/ui/AboutBox.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/SystemInfo.h"
#include "app/ui/Menus.h"
#include "base/Dialogs.h"
#include "widgets/Icons.h"

namespace vantrel {

AboutBox::AboutBox(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setFixedSize(kWidth, kHeight);
    setWindowTitle(QStringLiteral("About MyApp"));

    QFont labelFont = MenuFont();  // the dialog's labels share the menu's "MS Sans Serif"

    auto* picture = new QLabel(this);
    picture->setPixmap(ProgramIcon().pixmap(48, 48));
    picture->setGeometry(14, 14, 48, 48);

    lblTitle = new QLabel(QStringLiteral("Application Title"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = labelFont;
    titleFont.setPointSize(15);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblTitle->setGeometry(76, 8, 210, 28);

    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(labelFont);
    lblVersion->setGeometry(77, 36, 210, 18);

    Label1 = new QLabel(QStringLiteral("Two decks that mix your playlist by themselves."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(labelFont);
    Label1->setWordWrap(true);
    Label1->setGeometry(77, 58, 210, 38);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(10, 102, 280, 2);

    Label2 = new QLabel(QStringLiteral("Vantrel comes with no warranty. Keep copies of the music "
                                       "and playlists you care about."),
                        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont smallFont = labelFont;
    smallFont.setPointSize(8);
    Label2->setFont(smallFont);
    Label2->setWordWrap(true);
    Label2->setGeometry(10, 108, 280, 38);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setGeometry(298, 12, 95, 27);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(298, 114, 95, 27);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(dialogs_); });

    onLoad();
}

QString AboutBox::versionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(VANTREL_VERSION_MAJOR)
        .arg(VANTREL_VERSION_MINOR)
        .arg(VANTREL_VERSION_PATCH);
}

void AboutBox::onLoad() {
    setWindowTitle(QStringLiteral("About ") + kApplicationTitle);
    lblVersion->setText(versionText());
    lblTitle->setText(kApplicationTitle);
}

void AboutBox::showModal(Dialogs& dialogs, QWidget* parent) {
    AboutBox box(dialogs, parent);
    // Centred on the screen, not on the window.
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        box.move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    box.exec();
}

}  // namespace vantrel
