#pragma once
// The Broadcast dialog: where the mix goes on air (server, mount, format, bit rate, password),
// with Start and Stop and the stream's state as it changes. Filled from the flags; nothing is
// written down.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace vantrel {

class OnAir;

class BroadcastDialog : public QDialog {
    Q_OBJECT
public:
    explicit BroadcastDialog(OnAir& onAir, QWidget* parent = nullptr);

private:
    void fill();
    void start();
    void showState();

    OnAir& onAir_;
    QLineEdit* server_;
    QSpinBox* port_;
    QLineEdit* mount_;
    QLineEdit* user_;
    QComboBox* format_;
    QSpinBox* bitrate_;
    QLineEdit* name_;
    QLineEdit* password_;
    QLabel* state_;
    QPushButton* start_;
    QPushButton* stop_;
    QTimer* refresh_;
};

}  // namespace vantrel
