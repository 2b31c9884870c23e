#include "app/ui/ProgrammeDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTimeEdit>

namespace vantrel {

namespace {

QDialogButtonBox* okCancel(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

// A count that 0 turns off, shown as "off".
QSpinBox* countBox(int value, int max, const QString& suffix) {
    auto* box = new QSpinBox;
    box->setRange(0, max);
    box->setSpecialValueText(QStringLiteral("off"));
    box->setSuffix(suffix);
    box->setValue(value);
    return box;
}

}  // namespace

bool editJingles(QWidget* parent, JingleSettings& settings) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmJingles"));
    dialog.setWindowTitle(QStringLiteral("Jingles"));
    auto* form = new QFormLayout(&dialog);
    auto* group = new QComboBox;
    group->setObjectName(QStringLiteral("cmbJingleGroup"));
    group->addItem(QStringLiteral("(none)"), JingleSettings::kNoGroup);
    const QStringList names = JingleSettings::groupNames();
    for (const QString& name : names) group->addItem(name, JingleSettings::groupNamed(name));
    group->setCurrentIndex(std::max(0, group->findData(settings.group)));
    auto* songs = countBox(settings.everySongs, 1000, QStringLiteral(" songs"));
    songs->setObjectName(QStringLiteral("spnJingleSongs"));
    auto* minutes = countBox(settings.everyMinutes, 24 * 60, QStringLiteral(" minutes"));
    minutes->setObjectName(QStringLiteral("spnJingleMinutes"));
    auto* duck = new QSpinBox;
    duck->setObjectName(QStringLiteral("spnJingleDuck"));
    duck->setRange(0, JingleSettings::kMaxDuckDb);
    duck->setSuffix(QStringLiteral(" dB"));
    duck->setSpecialValueText(QStringLiteral("not lowered"));
    duck->setValue(settings.duckDb);
    form->addRow(QStringLiteral("Jingles from"), group);
    form->addRow(QStringLiteral("Every"), songs);
    form->addRow(QStringLiteral("or every"), minutes);
    form->addRow(QStringLiteral("Music lowered by"), duck);
    form->addRow(new QLabel(QStringLiteral("A jingle sounds at the start of the next fade.")));
    form->addRow(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted) return false;
    settings.group = group->currentData().toInt();
    settings.everySongs = songs->value();
    settings.everyMinutes = minutes->value();
    settings.duckDb = duck->value();
    return true;
}

bool editSchedule(QWidget* parent, std::optional<QTime>& startAt, std::optional<QTime>& stopAt) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmSchedule"));
    dialog.setWindowTitle(QStringLiteral("Schedule"));
    auto* form = new QFormLayout(&dialog);
    const auto row = [form](const QString& label, const char* name, std::optional<QTime> t) {
        auto* on = new QCheckBox(label);
        auto* edit = new QTimeEdit(t.value_or(QTime(9, 0)));
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("HH:mm"));
        edit->setEnabled(t.has_value());
        on->setChecked(t.has_value());
        QObject::connect(on, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        form->addRow(on, edit);
        return std::pair{on, edit};
    };
    const auto [startOn, startEdit] =
        row(QStringLiteral("Start the music at"), "tmeStart", startAt);
    const auto [stopOn, stopEdit] = row(QStringLiteral("Stop the music at"), "tmeStop", stopAt);
    form->addRow(new QLabel(QStringLiteral("Local time, every day.")));
    form->addRow(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted) return false;
    startAt = startOn->isChecked() ? std::optional(startEdit->time()) : std::nullopt;
    stopAt = stopOn->isChecked() ? std::optional(stopEdit->time()) : std::nullopt;
    return true;
}

}  // namespace vantrel
