#include "app/ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>

namespace vantrel {

namespace {

QWidget* owner(QWidget* window) {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    return window;
}

// The filter list shows each label as written ("WAV files (*.wav)"), not the label followed by
// the patterns Qt needs to see.
constexpr QFileDialog::Options kShowLabelsOnly = QFileDialog::HideNameFilterDetails;

}  // namespace

QString QtDialogs::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        // "*.*" meant every file; here names need not have a dot.
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        out.append(parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

void QtDialogs::releaseMessages(QWidget* window) {
    window_ = window;
    holding_ = false;
    while (!held_.isEmpty()) {
        const Held m = held_.takeFirst();
        message(m.title, m.text, m.icon);
    }
}

void QtDialogs::message(const QString& title, const QString& text, Icon icon) {
    if (holding_ && !unattended_) {
        held_.append({title, text, icon});
        return;
    }
    if (unattended_) {
        std::fprintf(stderr, "vantrel: %s: %s\n", qPrintable(title), qPrintable(text));
        return;
    }
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
        case Icon::NoIcon:
            qicon = QMessageBox::NoIcon;
            break;
        case Icon::Information:
            qicon = QMessageBox::Information;
            break;
        case Icon::Warning:
            qicon = QMessageBox::Warning;
            break;
        case Icon::Critical:
            qicon = QMessageBox::Critical;
            break;
    }
    QMessageBox box(qicon, title, text, QMessageBox::Ok, owner(window_));
    box.exec();
}

QStringList QtDialogs::openFiles(const QString& title, const QString& filter, bool multiple) {
    if (unattended_) return {};
    const QString f = qtFilter(filter);
    if (multiple)
        return QFileDialog::getOpenFileNames(owner(window_), title, QString(), f, nullptr,
                                             kShowLabelsOnly);
    const QString file =
        QFileDialog::getOpenFileName(owner(window_), title, QString(), f, nullptr, kShowLabelsOnly);
    return file.isEmpty() ? QStringList{} : QStringList{file};
}

QString QtDialogs::saveFile(const QString& title, const QString& filter) {
    if (unattended_) return {};
    // Saving a list replaces an existing file without asking.
    return QFileDialog::getSaveFileName(owner(window_), title, QString(), qtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite | kShowLabelsOnly);
}

QString QtDialogs::browseForFolder(const QString& title, const QString& initialFolder) {
    if (unattended_) return {};
    return QFileDialog::getExistingDirectory(owner(window_), title, initialFolder);
}

}  // namespace vantrel
