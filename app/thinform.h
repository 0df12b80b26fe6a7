// The shape of a window whose work comes with a later part of the client: a form class with its
// layout built in AfterConstruction (captions and the fields other windows already reach).
#pragma once

#include "platform/gui/forms.h"

#define SDELKA_APP_FORM(Cls)                                        \
    SDELKA_CLASS(Cls, TForm)                                        \
protected:                                                          \
    explicit Cls(TComponent* AOwner) : TForm(AOwner) {}             \
    ~Cls() override = default;                                      \
                                                                    \
public:                                                             \
    void AfterConstruction() override;

// Name, caption (none when empty) and a modest default size of a window.
void SetUpAppForm(TForm* Form, const char* Name, const String& Caption, int ClientWidth = 640,
                  int ClientHeight = 400);
