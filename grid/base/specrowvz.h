// The special row of lookup lists: a row with its own cell texts, colour, font and key value that
// stands, for example, for an empty value at the top of a drop-down list. The cell texts come
// from one text, separated by ";" (a quoted item may hold ";").
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/shortcuts.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/variant.h"

class TSpecRowVz : public TPersistent {
    SDELKA_CLASS(TSpecRowVz, TPersistent)
public:
    explicit TSpecRowVz(TPersistent* AOwner);
    ~TSpecRowVz() override;

    void Assign(TPersistent* Source) override;
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    const String& CellsText() const { return FCellsText; }
    void SetCellsText(const String& Value);
    TStrings* CellsStrings() const { return FCellsStrings.get(); }
    // The Index-th cell text, empty outside the list.
    String GetCellText(int Index) const;
    TColor Color() const { return FColorAssigned ? FColor : DefaultColor(); }
    void SetColor(TColor Value);
    bool ColorAssigned() const { return FColorAssigned; }
    // The row's own font when one was set, else (kept in step with) the owner's.
    TFont* Font();
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool FontAssigned() const { return FFontAssigned; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    bool ShowIfNotInKeyList() const { return FShowIfNotInKeyList; }
    void SetShowIfNotInKeyList(bool Value);
    const Variant& Value() const { return FValue; }
    void SetValue(const Variant& Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Selected() const { return FSelected; }
    void SetSelected(bool Value) { FSelected = Value; }
    TPersistent* Owner() const { return FOwner; }
    TPersistent* GetOwner() override { return FOwner; }

    // The owner's font when the owner is a control, else the row's own.
    TFont* DefaultFont() const;
    // The owner's colour when the owner is a custom control, else the row's own.
    TColor DefaultColor() const;
    // True when the row is visible and its value equals KeyValue.
    bool LocateKey(const Variant& KeyValue) const;

    TNotifyEvent OnChanged;

protected:
    // OnChanged, unless an update is under way.
    virtual void Changed();

private:
    void FontChanged(TObject* Sender);

    TOwned<TStringList> FCellsStrings;
    String FCellsText;
    TColor FColor = clWindow;
    TOwned<TFont> FFont;
    TPersistent* FOwner = nullptr;
    bool FSelected = false;
    TShortCut FShortCut;
    bool FShowIfNotInKeyList = true;
    int FUpdateCount = 0;
    Variant FValue;
    bool FVisible = false;
    bool FColorAssigned = false;
    bool FFontAssigned = false;
    bool FRefreshingFont = false;
};
