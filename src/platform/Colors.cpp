#include "platform/Colors.h"

QColor ToQColor(TColor color) {
    const quint32 v = quint32(color);
    if ((v & 0xFF000000u) == 0xFF000000u) {
        switch (v & 0xFFu) {
            case 0x05:
                return QColor(255, 255, 255);  // window
            case 0x08:
                return QColor(0, 0, 0);  // window text
            case 0x0F:
                return QColor(236, 233, 216);  // button face
            case 0x1C:
                return QColor(215, 228, 242);  // gradient inactive caption
            default:
                return QColor(236, 233, 216);
        }
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

TColor FromQColor(const QColor& color) {
    return TColor(quint32(color.red()) | (quint32(color.green()) << 8) |
                  (quint32(color.blue()) << 16));
}
