#include "platform/gui/cursors.h"

#include "platform/gui/forms.h"

#include <QCursor>
#include <QHash>
#include <QString>

struct TCursorHandle {
    QCursor Cursor;
};

namespace {

QHash<QString, std::function<QCursor()>>& CursorResources() {
    static QHash<QString, std::function<QCursor()>> Table;
    return Table;
}

bool IsResourceNumber(const char* Name) { return reinterpret_cast<std::uintptr_t>(Name) < 0x10000; }

bool StandardCursorShape(std::uintptr_t Id, Qt::CursorShape& Shape) {
    switch (Id) {
    case 32512: Shape = Qt::ArrowCursor; return true;
    case 32513: Shape = Qt::IBeamCursor; return true;
    case 32514: Shape = Qt::WaitCursor; return true;
    case 32515: Shape = Qt::CrossCursor; return true;
    case 32516: Shape = Qt::UpArrowCursor; return true;
    case 32646: Shape = Qt::SizeAllCursor; return true;
    case 32648: Shape = Qt::ForbiddenCursor; return true;
    case 32649: Shape = Qt::PointingHandCursor; return true;
    default: return false;
    }
}

}  // namespace

void RegisterCursorResource(const char* Name, std::function<QCursor()> Make) {
    CursorResources().insert(QString::fromLatin1(Name).toUpper(), std::move(Make));
}

HCURSOR LoadCursor(HINSTANCE Instance, const char* Name) {
    if (!Name) return nullptr;
    if (IsResourceNumber(Name)) {
        Qt::CursorShape shape;
        if (Instance != nullptr || !StandardCursorShape(reinterpret_cast<std::uintptr_t>(Name), shape)) return nullptr;
        return new TCursorHandle{QCursor(shape)};
    }
    if (Instance != HInstance) return nullptr;
    auto it = CursorResources().constFind(QString::fromLatin1(Name).toUpper());
    if (it == CursorResources().constEnd()) return nullptr;
    return new TCursorHandle{(*it)()};
}

void DestroyCursor(HCURSOR Cursor) { delete Cursor; }

QCursor CursorHandleToQCursor(HCURSOR Cursor) { return Cursor ? Cursor->Cursor : QCursor(Qt::ArrowCursor); }

QCursor CursorToQCursor(TCursor Cursor) {
    if (Cursor > 0 && Screen) return CursorHandleToQCursor(Screen->Cursors(Cursor));
    return QCursor(static_cast<Qt::CursorShape>(CursorToQtShape(Cursor)));
}
