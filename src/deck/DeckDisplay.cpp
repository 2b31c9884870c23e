#include "deck/DeckDisplay.h"

namespace vantrel {

DeckDisplay::DeckDisplay(QObject* parent) : QObject(parent) {}

void DeckDisplay::fillTicker(const QString& message, const QString& separator, int speed) {
    tickerMessage_ = message.trimmed().isEmpty() ? QString() : message;
    tickerSeparator_ = separator;
    if (speed >= 1) tickerSpeed_ = speed;
    emit tickerFilled(message, separator, speed);
}

void DeckDisplay::setProgressMax(int max) {
    if (max == progressMax_) return;
    progressMax_ = max;
    emit progressMaxChanged(max);
}

void DeckDisplay::setProgressValue(int value) {
    if (progressMax_ <= 0 || value == progressValue_) return;
    progressValue_ = value;
    emit progressValueChanged(value);
}

void DeckDisplay::setVuLeft(float percent) {
    if (percent == vuLeft_) return;
    vuLeft_ = percent;
    emit vuLeftChanged(percent);
}

void DeckDisplay::setVuRight(float percent) {
    if (percent == vuRight_) return;
    vuRight_ = percent;
    emit vuRightChanged(percent);
}

}  // namespace vantrel
