#pragma once
// The dialog seam with the platform's own boxes and choosers, parented to the active window.
#include <QList>
#include <QPointer>
#include <QWidget>

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

    // While the window is being built, a message waits: a box before the window exists would
    // hold an unattended start (no window, no bus) until someone clicks it. Released, each
    // waiting message is shown over `window`, in order.
    void holdMessages() { holding_ = true; }
    void releaseMessages(QWidget* window);

private:
    struct Held {
        QString title;
        QString text;
        Icon icon;
    };
    bool unattended_ = false;
    bool holding_ = false;
    QList<Held> held_;
    QPointer<QWidget> window_;
};

}  // namespace vantrel
