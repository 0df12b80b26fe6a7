#include "app/cards.h"

TForm24* Form24 = nullptr;
TForm25* Form25 = nullptr;
TForm132* Form132 = nullptr;

void TForm24::AfterConstruction() {
    SetUpAppForm(this, "Form24", QStringLiteral("Хоз. работы/среднесдельная (24)"));
    inherited::AfterConstruction();
}

void TForm25::AfterConstruction() {
    SetUpAppForm(this, "Form25", QStringLiteral("Хоз. работы (25)"));
    inherited::AfterConstruction();
}

void TForm132::AfterConstruction() {
    SetUpAppForm(this, "Form132", QStringLiteral("Ввод данных (132)"), 300, 120);
    inherited::AfterConstruction();
}
