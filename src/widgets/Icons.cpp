#include "widgets/Icons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <functional>

namespace vantrel {

namespace {

constexpr int kSize = 16;

QIcon drawn(const std::function<void(QPainter&)>& draw, int size = kSize) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pm(size * scale, size * scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale * size / 16.0, scale * size / 16.0);
        draw(p);
        p.end();
        pm.setDevicePixelRatio(scale);
        icon.addPixmap(pm);
    }
    return icon;
}

// An arrow pointing up or down in the colour of the tempo step buttons.
QIcon stepArrow(bool up, QColor colour) {
    return drawn([=](QPainter& p) {
        QPainterPath path;
        if (up) {
            path.moveTo(8, 2);
            path.lineTo(14, 9);
            path.lineTo(10, 9);
            path.lineTo(10, 14);
            path.lineTo(6, 14);
            path.lineTo(6, 9);
            path.lineTo(2, 9);
        } else {
            path.moveTo(8, 14);
            path.lineTo(14, 7);
            path.lineTo(10, 7);
            path.lineTo(10, 2);
            path.lineTo(6, 2);
            path.lineTo(6, 7);
            path.lineTo(2, 7);
        }
        path.closeSubpath();
        p.setPen(QPen(colour.darker(160), 1));
        p.setBrush(colour);
        p.drawPath(path);
    });
}

QIcon resetPicture() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(40, 90, 170), 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(8, 0.5);
        head.lineTo(11.5, 3);
        head.lineTo(8, 5.5);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 170));
        p.drawPath(head);
    });
}

QIcon mixPicture() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(200, 60, 40), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2, 3), QPointF(14, 13));
        p.setPen(QPen(QColor(40, 150, 60), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2, 13), QPointF(14, 3));
    });
}

QIcon globePicture() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(30, 100, 170), 1.2));
        p.setBrush(QColor(190, 220, 250));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
    });
}

QIcon addPicture(QStyle::StandardPixmap base) {
    const QPixmap under = QApplication::style()->standardIcon(base).pixmap(kSize, kSize);
    return drawn([under](QPainter& p) {
        p.drawPixmap(QRectF(0, 0, 16, 16), under, QRectF(under.rect()));
        p.setPen(QPen(QColor(20, 120, 40), 2.4));
        p.drawLine(QPointF(12, 8), QPointF(12, 15));
        p.drawLine(QPointF(8.5, 11.5), QPointF(15.5, 11.5));
    });
}

QIcon removePicture() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(190, 40, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}

}  // namespace

QIcon ButtonPicture(const QString& name) {
    QStyle* style = QApplication::style();
    static const QHash<QString, QStyle::StandardPixmap> standard{
        {QStringLiteral("tlbCmdPlay"), QStyle::SP_MediaPlay},
        {QStringLiteral("tlbCmdPause"), QStyle::SP_MediaPause},
        {QStringLiteral("tlbCmdStop"), QStyle::SP_MediaStop},
        {QStringLiteral("tlbCmdRewind"), QStyle::SP_MediaSeekBackward},
        {QStringLiteral("tlbCmdFForward"), QStyle::SP_MediaSeekForward},
        {QStringLiteral("tlbCmdHelp"), QStyle::SP_DialogHelpButton},
        {QStringLiteral("cmdAbout"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("cmdNewPlaylist"), QStyle::SP_FileIcon},
        {QStringLiteral("cmdOpenPlaylist"), QStyle::SP_DialogOpenButton},
        {QStringLiteral("cmdSavePlaylist"), QStyle::SP_DialogSaveButton},
    };
    if (auto it = standard.constFind(name); it != standard.constEnd())
        return style->standardIcon(*it);
    if (name == QLatin1String("tlbCmdMix")) return mixPicture();
    if (name == QLatin1String("cmdRed")) return stepArrow(false, QColor(215, 55, 45));
    if (name == QLatin1String("cmdGreen")) return stepArrow(true, QColor(60, 170, 70));
    if (name == QLatin1String("cmdTempoReset")) return resetPicture();
    if (name == QLatin1String("cmdOnlineSupport")) return globePicture();
    if (name == QLatin1String("cmdAddFileList")) return addPicture(QStyle::SP_FileIcon);
    if (name == QLatin1String("cmdAddFolderList")) return addPicture(QStyle::SP_DirIcon);
    if (name == QLatin1String("cmdAddCdTracks")) return addPicture(QStyle::SP_DriveCDIcon);
    if (name == QLatin1String("cmdLstRemove")) return removePicture();
    if (name == QLatin1String("cmdSampleVolUp")) return stepArrow(true, QColor(60, 120, 200));
    if (name == QLatin1String("cmdSampleVolDown")) return stepArrow(false, QColor(60, 120, 200));
    return {};
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        // Same drawing as assets/help/vantrel.svg.
        QLinearGradient bg(0, 0, 0, 64);
        bg.setColorAt(0, QColor(0x2b, 0x3a, 0x55));
        bg.setColorAt(1, QColor(0x14, 0x1c, 0x2b));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        for (int deck = 0; deck < 2; ++deck) {
            const QPointF c(deck == 0 ? 20 : 44, 28);
            p.setBrush(QColor(0x0b, 0x0f, 0x17));
            p.setPen(QPen(deck == 0 ? QColor(0x4f, 0xc3, 0xf7) : QColor(0xff, 0xb7, 0x4d), 2.5));
            p.drawEllipse(c, 13, 13);
            p.setPen(Qt::NoPen);
            p.setBrush(deck == 0 ? QColor(0x4f, 0xc3, 0xf7) : QColor(0xff, 0xb7, 0x4d));
            p.drawEllipse(c, 3.5, 3.5);
        }
        // The cross-fade: one level falling as the other rises.
        p.setPen(QPen(QColor(0x4f, 0xc3, 0xf7), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 48), QPointF(52, 56));
        p.setPen(QPen(QColor(0xff, 0xb7, 0x4d), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 56), QPointF(52, 48));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace vantrel
