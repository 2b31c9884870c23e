#pragma once
// What one deck panel shows, held in the core so that the panel only mirrors it: the ticker's
// fill, the progress bar, the two level meters, the time label and the panel's caption.
#include <QObject>
#include <QString>

#include "base/Label.h"

namespace vantrel {

inline const QString kTickerSeparator = QStringLiteral("· Vantrel ·");
inline const QString kMixingSeparator = QStringLiteral("   Mixing to... ");
inline const QString kPanelCaption = QStringLiteral("Vantrel");
inline const QString kMixingCaption = QStringLiteral("Mixing ...");
inline const QString kZeroTime = QStringLiteral("00:00:00");

class DeckDisplay : public QObject {
    Q_OBJECT
public:
    explicit DeckDisplay(QObject* parent = nullptr);

    // The ticker shows one message repeated with the separator between repeats.
    void fillTicker(const QString& message, const QString& separator, int speed);
    const QString& tickerMessage() const { return tickerMessage_; }
    const QString& tickerSeparator() const { return tickerSeparator_; }
    int tickerSpeed() const { return tickerSpeed_; }

    // The bar keeps a value only while its maximum is above 0, as the bar itself does.
    int progressMax() const { return progressMax_; }
    int progressValue() const { return progressValue_; }
    void setProgressMax(int max);
    void setProgressValue(int value);

    // Level meters take the player's level as a fraction, 1 = full bar.
    float vuLeft() const { return vuLeft_; }
    float vuRight() const { return vuRight_; }
    void setVuLeft(float percent);
    void setVuRight(float percent);
    // Both meters at once: the deck has one level for its two channels.
    void setLevels(float percent) {
        setVuLeft(percent);
        setVuRight(percent);
    }

    Label timeLabel{kZeroTime};
    Label caption{kPanelCaption};  // the panel's caption

signals:
    void tickerFilled(const QString& message, const QString& separator, int speed);
    void progressMaxChanged(int max);
    void progressValueChanged(int value);
    void vuLeftChanged(float percent);
    void vuRightChanged(float percent);

private:
    QString tickerMessage_;
    QString tickerSeparator_ = kTickerSeparator;
    int tickerSpeed_ = 1;
    int progressMax_ = 0;
    int progressValue_ = 0;
    float vuLeft_ = 0.0f;
    float vuRight_ = 0.0f;
};

}  // namespace vantrel
