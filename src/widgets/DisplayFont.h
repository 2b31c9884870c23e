#pragma once
// The face the decks' tickers and the playlist are drawn in: the designed face is not free, so
// the program uses Routed Gothic (Debian's fonts-routed-gothic), a free face of the same squared,
// engraved kind. It is installed with the program's dependencies.
#include <QFont>

namespace vantrel {

inline const QString kDisplayFontFamily = QStringLiteral("Routed Gothic");

inline QFont DisplayFont(qreal pointSize) {
    QFont f(kDisplayFontFamily);
    f.setPointSizeF(pointSize);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

}  // namespace vantrel
