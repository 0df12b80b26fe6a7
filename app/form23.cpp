#include "app/form23.h"

#include "app/buildstamp.h"
#include "app/datamodule.h"
#include "app/form1.h"
#include "app/timesheets.h"
#include "platform/gui/canvas.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

TForm23* Form23 = nullptr;

TForm23::TForm23(TComponent* AOwner) : TForm(AOwner) {}

void TForm23::AfterConstruction() {
    SetName(QStringLiteral("Form23"));
    SetCaption(QStringLiteral("Авторизация"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(330);
    SetClientHeight(44);

    Edit1 = New<TEdit>(this);
    Edit1->SetName(QStringLiteral("Edit1"));
    Edit1->SetBounds(8, 11, 146, 22);
    Edit1->SetPasswordChar(u'*');
    Edit1->SetParent(this);
    Edit1->SetText(String());

    Button1 = New<TButton>(this);
    Button1->SetName(QStringLiteral("Button1"));
    Button1->SetBounds(162, 9, 77, 26);
    Button1->SetCaption(QStringLiteral("Вход"));
    Button1->SetDefault(true);
    Button1->OnClick = TNotifyEvent(this, &TForm23::Button1Click);
    Button1->SetParent(this);

    Button2 = New<TButton>(this);
    Button2->SetName(QStringLiteral("Button2"));
    Button2->SetBounds(245, 9, 77, 26);
    Button2->SetCaption(QStringLiteral("Отмена"));
    Button2->SetCancel(true);
    Button2->OnClick = TNotifyEvent(this, &TForm23::Button2Click);
    Button2->SetParent(this);

    Timer1 = New<TTimer>(this);
    Timer1->SetName(QStringLiteral("Timer1"));
    Timer1->SetEnabled(false);
    Timer1->SetInterval(5000);
    Timer1->OnTimer = TNotifyEvent(this, &TForm23::Timer1Timer);

    // the build shown in the caption once the window is up must not be cut by the title bar: the
    // window is made wide enough before it shows (a window manager keeps a shown dialog's size),
    // the access word's field taking the room and the buttons staying at the right
    FitCaption(QStringLiteral("Авторизация (build: %1.86399)").arg(CurrentBuildStamp().Date));
    OnActivate = TNotifyEvent(this, &TForm23::FormActivate);
    inherited::AfterConstruction();
}

int TitleBarWidth(const String& Caption) {
    TBitmap measure;
    measure.SetSize(1, 1);
    TCanvas* canvas = measure.Canvas();
    canvas->Font()->Assign(Screen->MenuFont());
    // window managers draw titles larger and wider than menus (bold with spacing): 12 points at least
    canvas->Font()->SetSize(std::max(canvas->Font()->Size(), 12));
    canvas->Font()->SetStyle({fsBold});
    return canvas->TextWidth(Caption) + 5 * GetSystemMetrics(SM_CYCAPTION) + 16;
}

void TForm23::FormActivate(TObject*) {
    CheckBuildStamp();
    if (Form1)
        SetCaption(QStringLiteral("Авторизация (build: %1.%2)").arg(Form1->BuildDate).arg(Form1->BuildSeconds));
    FitCaption(Caption());
}

void TForm23::FitCaption(const String& Text) {
    const int grow = TitleBarWidth(Text) - Width();
    if (grow <= 0) return;
    SetClientWidth(ClientWidth() + grow);
    Edit1->SetWidth(Edit1->Width() + grow);
    for (TButton* b : {Button1, Button2}) b->SetLeft(b->Left() + grow);
}

void ApplyRoleRestrictions(TRole Role) {
    const TRoleControls off = SwitchedOffControls(Role);
    auto is = [&](TRoleControl c) { return off.Contains(c); };
    if (Form1) {
        if (is(rcAdd)) {
            Form1->Button1->SetEnabled(false);
            Form1->N21->SetEnabled(false);
        }
        if (is(rcEdit)) Form1->Button2->SetEnabled(false);
        if (is(rcDelete)) Form1->Button3->SetEnabled(false);
        if (is(rcRefresh)) Form1->Button8->SetEnabled(false);
        if (is(rcShiftButtons))
            for (TControl* c : {Form1->RadioButton1, Form1->RadioButton2, Form1->RadioButton3, Form1->RadioButton4})
                c->SetEnabled(false);
        if (is(rcWeekend)) Form1->CBox1->SetEnabled(false);
        if (is(rcDatePicker)) Form1->DateT->SetEnabled(false);
        if (is(rcGrid)) Form1->DBGrid2->SetEnabled(false);
        if (is(rcMenuDirectories)) Form1->N2->SetEnabled(false);
        if (is(rcMenuTimesheet)) Form1->N11->SetEnabled(false);
    }
    if (Form18) {
        if (is(rcReportDetailWorkers)) Form18->Button1->SetEnabled(false);
        if (is(rcReportProducts)) Form18->Button2->SetEnabled(false);
        if (is(rcReportWorkers)) Form18->Button4->SetEnabled(false);
        if (is(rcReportExcel)) Form18->Button6->SetEnabled(false);
        if (is(rcReportKind)) {
            Form18->RadioGroup1->SetItemIndex(1);
            Form18->RadioGroup1->SetEnabled(false);
        }
    }
}

void TForm23::Button1Click(TObject*) {
    Form1->CurrentShift = 1;
    Form1->LoginWord = Trim(Edit1->Text());
    const TRole role = RoleOfWord(Form1->LoginWord);
    Form1->N11->SetEnabled(role == rlAdministrator);
    for (int s = 1; s <= 4; ++s)
        DataModule6->ShiftQuery(s)->Parameters()->ParamByName(QStringLiteral("ok"))->SetValue(QStringLiteral("ta"));
    if (role == rlNone) {
        MessageBox(nullptr, QStringLiteral("Введены неверные данные."), QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    ApplyRoleRestrictions(role);
    Hide();
    Form1->ShowModal();
    Close();
}

void TForm23::Button2Click(TObject*) { Close(); }

void TForm23::Timer1Timer(TObject*) { Application->Terminate(); }
