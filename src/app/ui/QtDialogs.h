#pragma once
// The dialog seam with the platform's own boxes and choosers, parented to the active window.
#include "base/Dialogs.h"

namespace vantrel {

class QtDialogs final : public Dialogs {
public:
    void message(const QString& title, const QString& text, Icon icon) override;
    QStringList openFiles(const QString& title, const QString& filter, bool multiple) override;
    QString saveFile(const QString& title, const QString& filter) override;
    QString browseForFolder(const QString& title, const QString& initialFolder) override;

    // "Label|*.kvl|All files|*.*" -> "Label (*.kvl);;All files (*)".
    static QString qtFilter(const QString& filter);

    // Once the session is ending (a termination signal) nobody is there to answer: messages go
    // to the standard error stream and every chooser answers "cancel", so the shutdown never
    // waits on a box.
    void setUnattended(bool on) { unattended_ = on; }
    bool unattended() const { return unattended_; }

private:
    bool unattended_ = false;
};

}  // namespace vantrel
