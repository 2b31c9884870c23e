#pragma once
// A caption that the core sets and a view mirrors (time labels, value labels, cue times).
#include <QObject>
#include <QString>

namespace vantrel {

class Label : public QObject {
    Q_OBJECT
public:
    explicit Label(QString caption = {}, QObject* parent = nullptr)
        : QObject(parent), caption_(std::move(caption)) {}

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& text) {
        if (text == caption_) return;
        caption_ = text;
        emit captionChanged(caption_);
    }

signals:
    void captionChanged(const QString& caption);

private:
    QString caption_;
};

}  // namespace vantrel
