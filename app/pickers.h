// What the five directory lists share: the mode a caller gives them (the window's Tag), the rows
// they never pick, edit or delete, their incremental search, the position they keep across a
// change, and the picker protocol: a list in a picker mode writes the chosen row's id and text
// into the caller's fields, then closes.
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

// The caller's fields one pick writes: a text field and an id member.
struct TPickSlot {
    TEdit* Edit = nullptr;
    int* Id = nullptr;
    bool Trim = true;  // the text is written without leading and trailing blanks
};

// Writes a picked row into a slot (a slot without a field skips it).
void WritePick(const TPickSlot& Slot, int Id, const String& Text);

// The callers of the lists in the modes whose caller is a card of another window. Each card sets
// its slot when it is created and clears it when it goes.
enum TPickCaller {
    pcAuxWorker,    // workers list, mode 24: TForm24.Edit1 / PersonId
    pcAuxGroup,     // groups list, mode 24: TForm24.Edit2 (not trimmed) / GroupId
    pcOperProduct,  // products list, mode 1: TForm10.Edit1 / ProductId
    pcOperKind,     // operation kinds list, non-zero mode: TForm10.Edit2 / KindId
};
TPickSlot& PickSlot(TPickCaller Caller);

// The helper pick of the workers list in mode 11: shows the hours dialog for the worker (full
// name not trimmed) and answers whether it was confirmed (the record card then has the helper's
// id and hours). Set by the record card's helper section.
using THelperPick = std::function<bool(int Id, const String& Name)>;
THelperPick& HelperPick();
