#pragma once
// File, folder and message boxes go through this seam: Qt dialogs in the program, a scripted
// double in tests.
#include <QString>
#include <QStringList>

namespace vantrel {

inline const QString kApplicationTitle = QStringLiteral("Vantrel");

class Dialogs {
public:
    enum class Icon { NoIcon, Information, Warning, Critical };
    virtual ~Dialogs() = default;

    // A box with an OK button only.
    virtual void message(const QString& title, const QString& text, Icon icon) = 0;
    // `filter` alternates labels and patterns separated by "|", first filter selected.
    // Every chooser returns an empty result when the user cancels.
    virtual QStringList openFiles(const QString& title, const QString& filter, bool multiple) = 0;
    virtual QString saveFile(const QString& title, const QString& filter) = 0;
    virtual QString browseForFolder(const QString& title, const QString& initialFolder) = 0;
};

}  // namespace vantrel
