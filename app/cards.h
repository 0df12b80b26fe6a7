// The record cards: the production record card, the auxiliary-work card and day list, and the
// hours input dialog of the helper additional pay.
#pragma once

#include "app/form11.h"
#include "app/thinform.h"

class TForm24 : public TForm { SDELKA_APP_FORM(TForm24) };    // "Хоз. работы/среднесдельная (24)"
class TForm25 : public TForm { SDELKA_APP_FORM(TForm25) };    // "Хоз. работы (25)"
class TForm132 : public TForm { SDELKA_APP_FORM(TForm132) };  // "Ввод данных (132)"

extern TForm24* Form24;
extern TForm25* Form25;
extern TForm132* Form132;
