// TForm23 ("Авторизация"): the login window and the application's main window. The access word
// selects a role, the role switches controls off, and the main work window is shown modally;
// leaving it ends the program.
#pragma once

#include "app/roles.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

class TForm23 : public TForm {
    SDELKA_CLASS(TForm23, TForm)
protected:
    explicit TForm23(TComponent* AOwner);
    ~TForm23() override = default;

public:
    void AfterConstruction() override;

    TEdit* Edit1 = nullptr;     // the access word, hidden behind "*"
    TButton* Button1 = nullptr; // "Вход"
    TButton* Button2 = nullptr; // "Отмена"
    TTimer* Timer1 = nullptr;   // ends the program 5 s after a refused build-stamp check

    void FormActivate(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    // Widens the window, when Text needs it, so that the title bar holds Text whole.
    void FitCaption(const String& Text);
};

extern TForm23* Form23;

// The width a window needs for its whole caption in the title bar: the caption in the title's
// type (the menu font, bold) beside the window's icon and its three buttons.
int TitleBarWidth(const String& Caption);

// Switches off what the role may not use in the main work window and the reports window.
void ApplyRoleRestrictions(TRole Role);
