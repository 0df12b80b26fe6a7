// The reference directories and their cards: workers, products, operations and prices, operation
// kinds, norms and nomenclature groups.
#pragma once

#include "app/form2.h"
#include "app/lists.h"
#include "app/thinform.h"

class TForm7 : public TForm { SDELKA_APP_FORM(TForm7) };      // product card "Изделие"
class TForm9 : public TForm { SDELKA_APP_FORM(TForm9) };      // operation kind card (caption set when shown)
class TForm10 : public TForm { SDELKA_APP_FORM(TForm10) };    // operation and price card (caption set when shown)
class TForm22 : public TForm { SDELKA_APP_FORM(TForm22) };    // norms of one operation "Норматив"
class TForm29 : public TForm { SDELKA_APP_FORM(TForm29) };    // nomenclature group card "Ведение групп (29)"

extern TForm7* Form7;
extern TForm9* Form9;
extern TForm10* Form10;
extern TForm22* Form22;
extern TForm29* Form29;
