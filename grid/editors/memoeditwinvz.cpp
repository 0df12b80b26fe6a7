#include "grid/editors/memoeditwinvz.h"

#include "grid/base/buttonsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/core/uitextsvz.h"
#include "platform/gui/memo.h"

namespace {

TMemoEditWinVz* SharedMemoEditWin = nullptr;

struct TMemoEditFormsUnitVz {
    TMemoEditFormsUnitVz() {
        if (!GetClass(u"TMemoEditWinVz"_S)) RegisterClass(TMemoEditWinVz::StaticClass());
        TCustomDropDownFormVz::RegisterGlobalRef(TMemoEditWinVz::StaticClass(),
                                                 [] { return static_cast<TCustomForm*>(TMemoEditWinVz::Shared()); });
        EditMemoTextProcVz() = DefaultEditMemoTextVz;
    }
} MemoEditFormsUnitVz;

}  // namespace

TEditMemoTextProcVz& EditMemoTextProcVz() {
    static TEditMemoTextProcVz proc;
    return proc;
}

TMemoEditWinVz* TMemoEditWinVz::Shared() {
    if (!SharedMemoEditWin) {
        SharedMemoEditWin = New<TMemoEditWinVz>(Application);
        // Forget the window if the application frees it first.
        SharedMemoEditWin->OnDestroy = [](TObject*) { SharedMemoEditWin = nullptr; };
    }
    return SharedMemoEditWin;
}

TMemoEditWinVz::TMemoEditWinVz(TComponent* AOwner) : TCustomDropDownFormVz(AOwner) {
    SetBorderIcons({});
    SetBounds(Left(), Top(), 447 + 2 * BorderWidth(), 324 + 3 * BorderWidth());
    FPanel1 = New<TPanel>(this);
    FPanel1->SetName(u"Panel1"_S);
    FPanel1->SetParent(this);
    FPanel1->SetBevelOuter(bvNone);
    FPanel1->SetWidth(80);
    FPanel1->SetAlign(alRight);
    FMemo1 = New<TMemo>(this);
    FMemo1->SetName(u"Memo1"_S);
    FMemo1->SetParent(this);
    FMemo1->SetAlign(alClient);
    FMemo1->SetScrollBars(ssVertical);
    FsbOk = New<TSpeedButtonVz>(this);
    FsbOk->SetName(u"sbOk"_S);
    FsbOk->SetParent(FPanel1);
    FsbOk->SetBounds(6, 15, 68, 22);
    FsbCancel = New<TSpeedButtonVz>(this);
    FsbCancel->SetName(u"sbCancel"_S);
    FsbCancel->SetParent(FPanel1);
    FsbCancel->SetBounds(6, 40, 68, 22);
    for (TSpeedButtonVz* b : {FsbOk, FsbCancel}) {
        b->SetStyle(ebsGlyphVz);
        b->OnClick = TNotifyEvent(this, &TMemoEditWinVz::ButtonClick);
    }
    TViZevLanguageConsts* texts = GetViZevLanguageConsts();
    FsbOk->SetCaption(texts->OKButtonVz());
    FsbCancel->SetCaption(texts->CancelButtonVz());
    SetCaption(texts->MemoEditWin_Caption());
}

void TMemoEditWinVz::ButtonClick(TObject* Sender) {
    SetModalResult(Sender == FsbOk ? mrOk : mrCancel);
    if (DropDownMode()) Close();
}

void TMemoEditWinVz::InitForm(TComponent* Host, TDynVarsVz* DynParams) {
    const int count = DynParams ? DynParams->Count() : 0;
    FPassParams = count == 0 ? pspByFieldNamesVz : count == 1 ? pspFieldValueVz : pspRecordValuesVz;
    // A window shared by every editor must not show the previous editor's text.
    FMemo1->SetText(count > 0 ? DynParams->GetItem(0)->AsString() : String());
    FsbOk->SetEnabled(!ReadOnly());
    FMemo1->SetReadOnly(ReadOnly());
    TCustomDropDownFormVz::InitForm(Host, DynParams);
}

void TMemoEditWinVz::ReturnParams(TComponent* Host, TDynVarsVz* DynParams) {
    // Only a value that was passed in goes back.
    if (DynParams && DynParams->Count() > 0) DynParams->GetItem(0)->SetValue(Variant(FMemo1->Text()));
    TCustomDropDownFormVz::ReturnParams(Host, DynParams);
}

bool DefaultEditMemoTextVz(String& Text, const TRect&, bool ReadOnly) {
    TMemoEditWinVz* win = TMemoEditWinVz::Shared();
    TOwned<TDynVarsVz> params = NewOwned<TDynVarsVz>(nullptr);
    params->CreateDynVar(String(), Variant(Text));
    win->SetInDynParams(params.get());
    win->SetReadOnly(ReadOnly);
    bool ok = false;
    try {
        if (win->ShowModal() == mrOk) {
            TDynVarsVz* out = nullptr;
            win->GetOutDynParams(out);
            if (out && out->Count() > 0) Text = out->GetItem(0)->AsString();
            ok = true;
        }
    } catch (...) {
        win->SetInDynParams(nullptr);
        throw;
    }
    win->SetInDynParams(nullptr);
    return ok;
}
