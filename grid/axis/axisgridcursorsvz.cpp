#include "grid/axis/axisgridcursorsvz.h"

#include "grid/base/toolsvz.h"
#include "platform/gui/cursors.h"
#include "platform/gui/forms.h"

#include <QBitmap>
#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

bool DragWinNoDoubleBuffering = false;

namespace {

// A filled black arrow with a white rim on a 32 x 32 transparent picture, its tip the hot spot.
// Angle: 0 points down, 90 right, 270 left.
QCursor ArrowCursorPicture(int Angle) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(16, 16);
    p.rotate(-Angle);
    // Pointing down, tip at (0, 10).
    const QPolygon arrow({QPoint(-3, -10), QPoint(3, -10), QPoint(3, 0), QPoint(8, 0), QPoint(0, 10),
                          QPoint(-8, 0), QPoint(-3, 0)});
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.end();
    QPoint hot = Angle == 0 ? QPoint(16, 26) : Angle == 90 ? QPoint(26, 16) : QPoint(6, 16);
    return QCursor(pm, hot.x(), hot.y());
}

struct TCursorResourcesVz {
    TCursorResourcesVz() {
        RegisterCursorResource("DOWNCURVZ", [] { return ArrowCursorPicture(0); });
        RegisterCursorResource("RIGHTCURVZ", [] { return ArrowCursorPicture(90); });
        RegisterCursorResource("LEFTCURVZ", [] { return ArrowCursorPicture(270); });
    }
};

TCursor RegisteredCursor(TCursor& Slot, const char* Name) {
    static TCursorResourcesVz Resources;
    // The screen may have been made anew (tests): take a slot again when ours no longer holds a cursor.
    if (Slot <= 0 || Screen->Cursors(Slot) == Screen->Cursors(0)) Slot = LoadRegisterCursorVz(Name);
    return Slot;
}

TCursor DownSlot = 0;
TCursor RightSlot = 0;
TCursor LeftSlot = 0;

}  // namespace

TCursor DownCursorVz() { return RegisteredCursor(DownSlot, "DOWNCURVZ"); }
TCursor RightCursorVz() { return RegisteredCursor(RightSlot, "RIGHTCURVZ"); }
TCursor LeftCursorVz() { return RegisteredCursor(LeftSlot, "LEFTCURVZ"); }
