#include "app/ui/BroadcastDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "app/OnAir.h"

namespace vantrel {

BroadcastDialog::BroadcastDialog(OnAir& onAir, QWidget* parent) : QDialog(parent), onAir_(onAir) {
    setObjectName(QStringLiteral("frmBroadcast"));
    setWindowTitle(QStringLiteral("Broadcast"));
    auto* form = new QFormLayout;
    server_ = new QLineEdit(this);
    server_->setObjectName(QStringLiteral("txtServer"));
    server_->setPlaceholderText(QStringLiteral("radio.example.org"));
    port_ = new QSpinBox(this);
    port_->setObjectName(QStringLiteral("spnPort"));
    port_->setRange(1, 65535);
    mount_ = new QLineEdit(this);
    mount_->setObjectName(QStringLiteral("txtMount"));
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("txtUser"));
    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("cboFormat"));
    format_->addItem(QStringLiteral("MP3"), QStringLiteral("mp3"));
    format_->addItem(QStringLiteral("Ogg Vorbis"), QStringLiteral("ogg"));
    format_->addItem(QStringLiteral("Ogg Opus"), QStringLiteral("opus"));
    bitrate_ = new QSpinBox(this);
    bitrate_->setObjectName(QStringLiteral("spnBitrate"));
    bitrate_->setRange(32, 320);
    bitrate_->setSuffix(QStringLiteral(" kbit/s"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("txtStationName"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("txtPassword"));
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Server:"), server_);
    form->addRow(QStringLiteral("&Port:"), port_);
    form->addRow(QStringLiteral("&Mount:"), mount_);
    form->addRow(QStringLiteral("&User:"), user_);
    form->addRow(QStringLiteral("&Format:"), format_);
    form->addRow(QStringLiteral("&Bit rate:"), bitrate_);
    form->addRow(QStringLiteral("Station &name:"), name_);
    form->addRow(QStringLiteral("Pass&word:"), password_);

    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("lblStreamState"));
    state_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    start_ = buttons->addButton(QStringLiteral("S&tart"), QDialogButtonBox::ActionRole);
    start_->setObjectName(QStringLiteral("cmdStartStream"));
    stop_ = buttons->addButton(QStringLiteral("St&op"), QDialogButtonBox::ActionRole);
    stop_->setObjectName(QStringLiteral("cmdStopStream"));
    buttons->addButton(QDialogButtonBox::Close);
    connect(start_, &QPushButton::clicked, this, &BroadcastDialog::start);
    connect(stop_, &QPushButton::clicked, this, [this] {
        onAir_.stopStream();
        showState();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(state_);
    layout->addWidget(buttons);

    refresh_ = new QTimer(this);
    refresh_->setInterval(500);
    connect(refresh_, &QTimer::timeout, this, &BroadcastDialog::showState);
    refresh_->start();
    fill();
    showState();
}

void BroadcastDialog::fill() {
    const broadcast::StreamSettings& s = onAir_.settings();
    server_->setText(QString::fromStdString(s.address.host));
    port_->setValue(s.address.port);
    mount_->setText(QString::fromStdString(s.address.mount.empty() ? "/live" : s.address.mount));
    user_->setText(QString::fromStdString(s.address.user));
    format_->setCurrentIndex(
        std::max(0, format_->findData(QString(broadcast::mixFormatName(s.format)))));
    bitrate_->setValue(s.bitrateKbps);
    name_->setText(QString::fromStdString(s.name));
    password_->setText(QString::fromStdString(s.password));
}

void BroadcastDialog::start() {
    broadcast::StreamSettings s;
    s.address.host = server_->text().trimmed().toStdString();
    s.address.port = port_->value();
    QString mount = mount_->text().trimmed();
    if (!mount.startsWith(QLatin1Char('/'))) mount.prepend(QLatin1Char('/'));
    s.address.mount = mount.toStdString();
    s.address.user = user_->text().trimmed().isEmpty() ? std::string("source")
                                                       : user_->text().trimmed().toStdString();
    broadcast::mixFormatFromName(format_->currentData().toString().toStdString(), s.format);
    s.bitrateKbps = bitrate_->value();
    s.name = name_->text().toStdString();
    s.password = password_->text().toStdString();
    if (s.address.host.empty() || mount.size() < 2) {
        state_->setText(QStringLiteral("A server and a mount are needed."));
        return;
    }
    onAir_.startStream(s);
    showState();
}

void BroadcastDialog::showState() {
    state_->setText(onAir_.statusText());
    start_->setText(onAir_.streaming() ? QStringLiteral("Res&tart") : QStringLiteral("S&tart"));
    stop_->setEnabled(onAir_.streaming());
}

}  // namespace vantrel
