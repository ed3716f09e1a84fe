#include "tray_icons.h"

#include <QPainter>
#include <QPixmap>
#include <array>

#include "tray_icon_model.h"

namespace nuko::panels {

namespace {

QPixmap Draw(int index, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    p.scale(size / 16.0, size / 16.0);
    const std::array<QColor, 4> kinds = {QColor(0, 160, 64), QColor(32, 96, 224), QColor(208, 48, 48),
                                         QColor(224, 144, 0)};
    const char* letters[] = {"M", "C", "V", "S"};
    if (index <= 0 || index >= TrayIconModel::kIcons) {
        // Idle: a grey note.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(96, 96, 96));
        p.drawEllipse(QRectF(2, 10, 6, 5));
        p.drawRect(QRectF(6.5, 2, 1.5, 11));
        p.drawRect(QRectF(6.5, 2, 6, 2));
        return pm;
    }
    const int kind = (index - 1) / TrayIconModel::kGroupSize;
    const int bars = (index - 1) % TrayIconModel::kGroupSize + 1;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(kinds[static_cast<std::size_t>(kind)]);
    p.drawRoundedRect(QRectF(0.5, 0.5, 10, 15), 2, 2);
    QFont f;
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0.5, 0.5, 10, 15), Qt::AlignCenter, QString::fromLatin1(letters[kind]));
    p.setPen(Qt::NoPen);
    p.setBrush(kinds[static_cast<std::size_t>(kind)].darker(130));
    for (int b = 0; b < bars; ++b) {
        const double h = 4 + 4 * b;
        p.drawRect(QRectF(12, 16 - h, 3, h));
    }
    return pm;
}

}  // namespace

QIcon TrayIconImage(int index) {
    QIcon icon;
    for (int size : {16, 22, 32}) icon.addPixmap(Draw(index, size));
    return icon;
}

}  // namespace nuko::panels
