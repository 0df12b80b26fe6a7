#include "grid/base/specrowvz.h"

#include "grid/core/valueutilsvz.h"
#include "platform/gui/controls.h"
#include "platform/gui/messages.h"
#include "platform/rtl/sysutils.h"

TSpecRowVz::TSpecRowVz(TPersistent* AOwner)
    : FCellsStrings(NewOwned<TStringList>()), FFont(NewOwned<TFont>()), FOwner(AOwner),
      FShortCut(::ShortCut(VK_DELETE, TShiftState{ssAlt})), FValue(Null()) {
    if (TFont* d = DefaultFont(); d != FFont.get()) FFont->Assign(d);
    FFont->OnChange = TNotifyEvent(this, &TSpecRowVz::FontChanged);
}

TSpecRowVz::~TSpecRowVz() = default;

void TSpecRowVz::EndUpdate() {
    --FUpdateCount;
    Changed();
}

void TSpecRowVz::Changed() {
    if (FUpdateCount == 0 && OnChanged) OnChanged(this);
}

void TSpecRowVz::FontChanged(TObject*) {
    if (FRefreshingFont) return;
    FFontAssigned = true;
    Changed();
}

TFont* TSpecRowVz::DefaultFont() const {
    if (auto* c = dynamic_cast<TControl*>(FOwner)) return c->Font();
    return FFont.get();
}

TColor TSpecRowVz::DefaultColor() const {
    if (auto* c = dynamic_cast<TCustomControl*>(FOwner)) return c->Color();
    return FColor;
}

TFont* TSpecRowVz::Font() {
    if (!FFontAssigned) {
        TFont* d = DefaultFont();
        if (d != FFont.get() && !(d->LogFont() == FFont->LogFont() && d->Color() == FFont->Color())) {
            FRefreshingFont = true;
            try {
                FFont->Assign(d);
            } catch (...) {
                FRefreshingFont = false;
                throw;
            }
            FRefreshingFont = false;
        }
    }
    return FFont.get();
}

void TSpecRowVz::SetCellsText(const String& Value) {
    if (Value == FCellsText) return;
    FCellsText = Value;
    TStrings* cells = FCellsStrings.get();
    cells->BeginUpdate();
    try {
        cells->Clear();
        // The text ends at its first #0, as a character string would.
        const qsizetype zero = Value.indexOf(QChar(0));
        const qsizetype n = zero < 0 ? Value.size() : zero;
        qsizetype i = 0;
        while (i < n && Value[i].unicode() >= 1 && Value[i].unicode() <= 32) ++i;
        while (i < n) {
            if (Value[i] == u'"') {
                // A quoted item: doubled quotes inside stand for one.
                String rest = Value.mid(i, n - i);
                const qsizetype before = rest.size();
                cells->Add(AnsiExtractQuotedStr(rest, u'"'));
                i += before - rest.size();
                if (before == rest.size()) ++i;  // nothing taken: never loop on the same place
            } else {
                qsizetype j = i;
                while (j < n && Value[j] != u';' && Value[j].unicode() >= 32) ++j;
                cells->Add(Value.mid(i, j - i));
                i = j;
            }
            while (i < n && Value[i].unicode() >= 1 && Value[i].unicode() < 32) ++i;
            if (i < n && Value[i] == u';') {
                ++i;
                while (i < n && Value[i].unicode() >= 1 && Value[i].unicode() < 32) ++i;
            }
        }
    } catch (...) {
        cells->EndUpdate();
        throw;
    }
    cells->EndUpdate();
    Changed();
}

String TSpecRowVz::GetCellText(int Index) const {
    return Index >= 0 && Index < FCellsStrings->Count() ? FCellsStrings->Strings(Index) : String();
}

void TSpecRowVz::SetColor(TColor Value) {
    const bool differs = Value != Color();
    FColor = Value;
    FColorAssigned = true;
    if (differs) Changed();
}

void TSpecRowVz::SetShowIfNotInKeyList(bool Value) {
    if (Value == FShowIfNotInKeyList) return;
    FShowIfNotInKeyList = Value;
    Changed();
}

void TSpecRowVz::SetValue(const Variant& Value) {
    if (VarEqualsVz(Value, FValue) && VarType(Value) == VarType(FValue)) return;
    FValue = Value;
    Changed();
}

void TSpecRowVz::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    Changed();
}

bool TSpecRowVz::LocateKey(const Variant& KeyValue) const { return FVisible && VarEqualsVz(FValue, KeyValue); }

void TSpecRowVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TSpecRowVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    try {
        SetCellsText(s->CellsText());
        SetColor(s->Color());
        if (s->FontAssigned()) SetFont(s->Font());
        SetShortCut(s->ShortCut());
        SetShowIfNotInKeyList(s->ShowIfNotInKeyList());
        SetValue(s->Value());
        SetVisible(s->Visible());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}
