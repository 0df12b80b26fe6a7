// What a window's picture must show: every pixel of it painted (nothing left of what was under
// it), and every visible control inside the window's client area. The picture is kept in
// SDELKA_SHOTS (a folder) when that is set, for looking at.
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

#include <QDir>
#include <QImage>
#include <QWidget>
#include <string>

#include <gtest/gtest.h>

namespace sdelka::test {

namespace windowcheck {

// Visible controls of Parent (and of theirs) that reach outside Area (screen coordinates).
inline void ControlsOutside(TWinControl* Parent, const QRect& Area, std::string& Out) {
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* C = Parent->Controls(i);
        if (!C->Visible()) continue;
        const TPoint At = Parent->ClientToScreen(TPoint(C->Left(), C->Top()));
        const QRect R(At.X, At.Y, C->Width(), C->Height());
        if (!Area.contains(R))
            Out += C->ClassName().toStdString() + " \"" + C->Name().toStdString() + "\" ";
        if (auto* W = dynamic_cast<TWinControl*>(C)) ControlsOutside(W, Area, Out);
    }
}

}  // namespace windowcheck

// Checks the window as it would be painted now; Name names the kept picture.
inline void ExpectWindowPaintedWhole(TCustomForm* Form, const QString& Name) {
    QWidget* W = Form->Handle();
    // a colour no window paints: what keeps it was not painted
    const QRgb Unpainted = qRgb(1, 254, 3);
    QImage Picture(W->size(), QImage::Format_RGB32);
    Picture.fill(Unpainted);
    W->render(&Picture, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (const QByteArray Dir = qgetenv("SDELKA_SHOTS"); !Dir.isEmpty())
        Picture.save(QDir(QString::fromLocal8Bit(Dir)).filePath(Name + QStringLiteral(".png")));
    int Left = 0;
    for (int y = 0; y < Picture.height(); ++y)
        for (int x = 0; x < Picture.width(); ++x) Left += Picture.pixel(x, y) == Unpainted ? 1 : 0;
    EXPECT_EQ(Left, 0) << Name.toStdString() << ": pixels not painted";
    const TPoint Origin = Form->ClientToScreen(TPoint(0, 0));
    std::string Outside;
    windowcheck::ControlsOutside(Form, QRect(Origin.X, Origin.Y, Form->ClientWidth(), Form->ClientHeight()), Outside);
    EXPECT_EQ(Outside, "") << Name.toStdString() << ": controls outside the window";
}

}  // namespace sdelka::test
