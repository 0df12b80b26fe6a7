// A form with an edit near the bottom of the screen, a popup list that drops down from the edit,
// and a popup menu whose first item ticks without closing the menu, to look at and drive under a
// real X server. Everything the script needs is printed on standard output, one line each:
//   edit X Y W H                 the edit's rectangle on the screen
//   popup above|below X Y W H    the popup list was placed (F4 in the edit)
//   item N X Y                   the screen point of the middle of item N of the shown list
//   selected N focus NAME active NAME   a click chose item N; the focused control and active form
//   text TEXT                    the edit's text changed
//   menu open | menu closed      the popup menu opened or closed
//   menuitem N X Y               the screen point of the middle of menu item N
//   option checked 0|1           the ticking item was clicked
//   confirm N | answer R         the button's click asked its confirmation (the Nth time); the
//                                box was answered with the modal result R
// F12 in the edit saves a screenshot to the file named by POPUPDEMO_SHOT.
#include "grid/base/listboxvz.h"
#include "grid/base/menusvz.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

namespace {

void Out(const QString& Line) {
    std::printf("%s\n", Line.toUtf8().constData());
    std::fflush(stdout);
}

QString Name(TComponent* C) { return C ? C->Name() : QStringLiteral("none"); }

}  // namespace

int main(int argc, char** argv) {
    Application->Initialize(argc, argv);
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetName(QStringLiteral("MainForm"));
    form->SetCaption(QStringLiteral("Popups"));
    const TRect wa = Screen->WorkAreaRect();
    form->SetBounds(40, wa.Bottom - 140, 360, 120);

    auto* edit = New<TEdit>(form);
    edit->SetName(QStringLiteral("Edit"));
    edit->SetParent(form);
    edit->SetBounds(20, 80, 200, 24);

    auto* list = New<TPopupListboxVz>(form);
    list->SetName(QStringLiteral("List"));
    list->SetItemHeight(18);
    for (const char16_t* s : {u"Токарь", u"Фрезеровщик", u"Сварщик", u"Слесарь", u"Маляр", u"Упаковщик", u"Кладовщик"})
        list->Items()->Add(String::fromUtf16(s));
    list->SetBounds(0, 0, 200, 7 * 18 + list->GetBorderSize());

    auto showList = [=] {
        const TRect er(edit->ClientToScreen(TPoint(0, 0)), edit->ClientToScreen(TPoint(edit->Width(), edit->Height())));
        Out(QStringLiteral("edit %1 %2 %3 %4").arg(er.Left).arg(er.Top).arg(er.Width()).arg(er.Height()));
        TPoint p = CalcDropDownPosForRectVz(er, list, daLeft);
        list->SetBounds(p.X, p.Y, list->Width(), list->Height());
        list->Show();
        Out(QStringLiteral("popup %1 %2 %3 %4 %5")
                .arg(p.Y + list->Height() <= er.Top ? QStringLiteral("above") : QStringLiteral("below"))
                .arg(p.X).arg(p.Y).arg(list->Width()).arg(list->Height()));
        for (int i = 0; i < list->Count(); ++i) {
            const TRect r = list->ItemRect(i);
            const TPoint c = TPoint(list->Left() + (r.Left + r.Right) / 2, list->Top() + (r.Top + r.Bottom) / 2);
            Out(QStringLiteral("item %1 %2 %3").arg(i).arg(c.X).arg(c.Y));
        }
    };
    edit->OnKeyDown = [=](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F4) {
            Key = 0;
            showList();
        } else if (Key == VK_F12) {
            // The whole screen, for a look at the popup.
            Key = 0;
            const QString file = QString::fromLocal8Bit(qgetenv("POPUPDEMO_SHOT"));
            if (!file.isEmpty()) QGuiApplication::primaryScreen()->grabWindow(0).save(file);
        } else if (Key == VK_ESCAPE) {
            Key = 0;
            list->Hide();
        }
    };
    edit->OnChange = [=](TObject*) { Out(QStringLiteral("text ") + edit->Text()); };
    list->OnMouseUp = [=](TObject*, TMouseButton, TShiftState, int, int) {
        Out(QStringLiteral("selected %1 focus %2 active %3")
                .arg(list->ItemIndex())
                .arg(Name(Screen->ActiveControl()), Name(Screen->ActiveForm())));
    };

    auto* menu = New<TPopupMenuVz>(form);
    auto* option = New<TMenuItemVz>(menu);
    option->SetCaption(u"Показывать итоги"_S);
    option->SetCloseMenuOnClick(false);
    option->OnClick = [=](TObject*) {
        option->SetChecked(!option->Checked());
        Out(QStringLiteral("option checked %1").arg(option->Checked() ? 1 : 0));
    };
    menu->Items()->Add(option);
    auto* close = New<TMenuItemVz>(menu);
    close->SetCaption(u"Закрыть"_S);
    close->OnClick = [](TObject*) { Out(QStringLiteral("close clicked")); };
    menu->Items()->Add(close);
    form->SetPopupMenu(menu);

    // Watches the menu window: reports when it opens (with its items' places) and closes.
    auto* watch = New<TTimer>(form);
    watch->SetInterval(50);
    bool menuOpen = false;
    watch->OnTimer = [&menuOpen](TObject*) {
        auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (bool open = m != nullptr; open != menuOpen) {
            menuOpen = open;
            Out(open ? QStringLiteral("menu open") : QStringLiteral("menu closed"));
            if (open) {
                const QList<QAction*> acts = m->actions();
                for (int i = 0; i < acts.size(); ++i) {
                    const QPoint c = m->mapToGlobal(m->actionGeometry(acts[i]).center());
                    Out(QStringLiteral("menuitem %1 %2 %3").arg(i).arg(c.x()).arg(c.y()));
                }
            }
        }
    };
    watch->SetEnabled(true);
    // A button that asks a confirmation, 230 pixels right of the edit: while the box is up, no
    // window of the program takes input, so a second click cannot stack a second box.
    auto* del = New<TButton>(form);
    del->SetParent(form);
    del->SetBounds(250, 80, 90, 24);
    del->SetCaption(u"Удалить"_S);
    del->SetTabStop(false);
    int asked = 0;
    del->OnClick = [&asked](TObject*) {
        Out(QStringLiteral("confirm %1").arg(++asked));
        const int r = MessageDlg(u"Удалить запись?"_S, mtConfirmation, {mbYes, mbNo}, 0);
        Out(QStringLiteral("answer %1").arg(r));
    };
    form->OnActivate = [=](TObject*) { edit->SetFocus(); };
    Application->Run();
    DoneApplication();
    return 0;
}
