// What the five directory lists share: the mode a caller gives them (the window's Tag), the rows
// they never pick, edit or delete, their incremental search, the position they keep across a
// change, and the picker protocol: a list in a picker mode hands the chosen row to what its caller
// passed, then closes.
#pragma once

#include "platform/db/db.h"
#include "platform/gui/stdctrls.h"

#include <functional>

// Modes of the list windows (their Tag).
inline constexpr int pmDirectory = 0;    // opened from the main menu
inline constexpr int pmRecordCard = 1;   // record card (workers, prices), operation card (products, kinds)
inline constexpr int pmHelper = 11;      // helper worker of the record card (workers list)
inline constexpr int pmAuxCard = 24;     // auxiliary-work card (workers, groups)

// The auxiliary-work and average-piece-rate rows (ids 7777, 7778) of the products, prices and
// operation kinds lists: never edited, picked or deleted there.
inline bool IsReservedRow(int Id) { return Id == 7777 || Id == 7778; }

// ---- incremental search ------------------------------------------------------------------------

enum TSearchMatch { smPrefix, smContains };

// A quoted text constant of a filter expression: quotes doubled, so no typed text can end it.
String FilterQuoted(const String& Text);
// "field like 'text%'" (prefix) or "field like '%text%'" (contains).
String SearchFilterText(const String& Field, const String& Text, TSearchMatch Match);

// The search a list's field runs on every change of its text. Restriction (a filter the caller
// has put on the dataset, e.g. "b_excluded=0") stays in force while searching and alone when the
// text is empty.
struct TListSearch {
    String Field;
    TSearchMatch Match = smPrefix;
    // The prices list switches the filter off for a text of blanks; the others search for them.
    bool OffWhenBlank = false;
};
void ApplySearch(TDataSet* DataSet, const TListSearch& Search, const String& Text,
                 const String& Restriction = String());

// ---- position ----------------------------------------------------------------------------------

// Goes to record number RecNo (from 1) when the dataset has at least that many rows; otherwise it
// stays on its first row.
void GoToRecNo(TDataSet* DataSet, int RecNo);
// Closes and opens the dataset, then GoToRecNo(RecNo).
void ReopenAtRecNo(TDataSet* DataSet, int RecNo);
// Closes and opens the dataset, which stands on its first row.
void Reopen(TDataSet* DataSet);

// ---- picker protocol ---------------------------------------------------------------------------

// What receives a pick: the caller of a list in a picker mode passes it. It gets the chosen row's
// id and text, with the list's dataset standing on that row, and answers whether the pick stands:
// the list then closes; otherwise it stays open for another choice.
using TPickReceiver = std::function<bool(int Id, const String& Text, TDataSet* Row)>;

// A receiver that writes the text into Edit (without leading and trailing blanks unless Trim is
// false) and the id into *Id, and accepts.
TPickReceiver PickInto(TEdit* Edit, int* Id, bool Trim = true);
