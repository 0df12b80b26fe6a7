#include "app/directories.h"

TForm7* Form7 = nullptr;
TForm9* Form9 = nullptr;
TForm10* Form10 = nullptr;
TForm22* Form22 = nullptr;
TForm29* Form29 = nullptr;

void SetUpAppForm(TForm* Form, const char* Name, const String& Caption, int ClientWidth, int ClientHeight) {
    Form->SetName(QString::fromLatin1(Name));
    Form->SetCaption(Caption);
    Form->SetPosition(poScreenCenter);
    Form->SetClientWidth(ClientWidth);
    Form->SetClientHeight(ClientHeight);
}

void TForm7::AfterConstruction() {
    SetUpAppForm(this, "Form7", QStringLiteral("Изделие"));
    inherited::AfterConstruction();
}

void TForm9::AfterConstruction() {
    SetUpAppForm(this, "Form9", String());
    inherited::AfterConstruction();
}

void TForm10::AfterConstruction() {
    SetUpAppForm(this, "Form10", String());
    inherited::AfterConstruction();
}

void TForm22::AfterConstruction() {
    SetUpAppForm(this, "Form22", QStringLiteral("Норматив"));
    inherited::AfterConstruction();
}

void TForm29::AfterConstruction() {
    SetUpAppForm(this, "Form29", QStringLiteral("Ведение групп (29)"));
    inherited::AfterConstruction();
}
