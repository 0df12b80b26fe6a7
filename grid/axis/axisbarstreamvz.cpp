// The axis bars in a component stream: the published properties of a bar (an assignable setting
// is written only when the bar assigns it) and the stream of a whole bar collection, whose root is
// a wrapper component that publishes the collection as "AxisBars".
#include "grid/axis/axisbarsvz.h"

#include "platform/gui/graphics.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"

#include <functional>

namespace {

// The root component of a bar stream.
class TColumnsWrapper : public TComponent {
    SDELKA_CLASS(TColumnsWrapper, TComponent)
protected:
    explicit TColumnsWrapper(TComponent* AOwner) : TComponent(AOwner) {}
    ~TColumnsWrapper() override = default;

public:
    static void Published(TPublished<TColumnsWrapper>& P) {
        P.Object("AxisBars", &TColumnsWrapper::AxisBars, &TColumnsWrapper::SetAxisBars);
    }
    TGridAxisBarsVz* AxisBars() const { return FBars; }
    void SetAxisBars(TGridAxisBarsVz* Value) {
        if (Value != FBars) FBars->Assign(Value);
    }
    TGridAxisBarsVz* FBars = nullptr;
};

struct TColumnsWrapperRegistration {
    TColumnsWrapperRegistration() { RegisterClass(TColumnsWrapper::StaticClass()); }
} gColumnsWrapperRegistration;

}  // namespace

void TAxisBarVz::Published(TPublished<TAxisBarVz>& P) {
    auto has = [](TAxisBarVzValue V) {
        return [V](TObject* o) { return static_cast<TAxisBarVz*>(o)->AssignedValues().Contains(V); };
    };
    auto differs = [](TAxisBarVzValue V, auto Get, auto Default) {
        return [V, Get, Default](TObject* o) {
            auto* b = static_cast<TAxisBarVz*>(o);
            if (!b->AssignedValues().Contains(V)) return false;
            TAxisBarVzValues saved = b->FAssignedValues;
            b->FAssignedValues.Exclude(V);
            const auto fallback = std::invoke(Default, b);
            b->FAssignedValues = saved;
            return std::invoke(Get, b) != fallback;
        };
    };
    P.String("FieldName", &TAxisBarVz::FieldName, &TAxisBarVz::SetFieldName);
    P.Integer("Color", &TAxisBarVz::Color, &TAxisBarVz::SetColor)
        .Idents([](Int64 V, String& S) { return ColorToIdent(TColor(V), S); },
                [](const String& S, Int64& V) {
                    TColor c;
                    if (!IdentToColor(S, c)) return false;
                    V = c;
                    return true;
                })
        .Stored(differs(cvColor, &TAxisBarVz::Color, &TAxisBarVz::DefaultColor));
    P.Enum("Alignment", &TAxisBarVz::Alignment, &TAxisBarVz::SetAlignment,
           {"taLeftJustify", "taRightJustify", "taCenter"})
        .Stored(has(cvAlignment));
    P.Boolean("ReadOnly", &TAxisBarVz::ReadOnly, &TAxisBarVz::SetReadOnly)
        .Stored(differs(cvReadOnly, &TAxisBarVz::ReadOnly, &TAxisBarVz::DefaultReadOnly));
    P.Boolean("WordWrap", &TAxisBarVz::WordWrap, &TAxisBarVz::SetWordWrap).Stored(has(cvWordWrap));
    P.String("LookupDisplayFields", &TAxisBarVz::LookupDisplayFields, &TAxisBarVz::SetLookupDisplayFields)
        .Stored(has(cvLookupDisplayFields));
    P.Boolean("Checkboxes", &TAxisBarVz::Checkboxes, &TAxisBarVz::SetCheckboxes).Stored(has(cvCheckboxes));
    auto flag = [&](const char* Name, bool (TAxisBarVz::*Get)(), void (TAxisBarVz::*Set)(bool), TAxisBarVzValue V) {
        P.Boolean(Name, Get, Set).Stored([V, Get](TObject* o) {
            auto* b = static_cast<TAxisBarVz*>(o);
            if (!b->AssignedValues().Contains(V)) return false;
            TAxisBarVzValues saved = b->FAssignedValues;
            b->FAssignedValues.Exclude(V);
            const bool fallback = (b->*Get)();
            b->FAssignedValues = saved;
            return (b->*Get)() != fallback;
        });
    };
    flag("AlwaysShowEditButton", &TAxisBarVz::AlwaysShowEditButton, &TAxisBarVz::SetAlwaysShowEditButton,
         cvAlwaysShowEditButton);
    flag("EndEllipsis", &TAxisBarVz::EndEllipsis, &TAxisBarVz::SetEndEllipsis, cvEndEllipsis);
    flag("AutoDropDown", &TAxisBarVz::AutoDropDown, &TAxisBarVz::SetAutoDropDown, cvAutoDropDown);
    flag("DblClickNextVal", &TAxisBarVz::DblClickNextVal, &TAxisBarVz::SetDblClickNextVal, cvDblClickNextVal);
    flag("ToolTips", &TAxisBarVz::ToolTips, &TAxisBarVz::SetToolTips, cvToolTips);
    flag("DropDownSizing", &TAxisBarVz::DropDownSizing, &TAxisBarVz::SetDropDownSizing, cvDropDownSizing);
    flag("DropDownShowTitles", &TAxisBarVz::DropDownShowTitles, &TAxisBarVz::SetDropDownShowTitles,
         cvDropDownShowTitles);
    flag("HighlightRequired", &TAxisBarVz::HighlightRequired, &TAxisBarVz::SetHighlightRequired, cvHighlightRequired);
    flag("TextEditing", &TAxisBarVz::TextEditing, &TAxisBarVz::SetTextEditing, cvTextEditing);
    P.Enum("Layout", &TAxisBarVz::Layout, &TAxisBarVz::SetLayout, {"tlTop", "tlCenter", "tlBottom"})
        .Stored(differs(cvLayout, &TAxisBarVz::Layout, &TAxisBarVz::Layout));
    P.Boolean("Visible", &TAxisBarVz::Visible, &TAxisBarVz::SetVisible).Default(1);
    P.String("DisplayFormat", &TAxisBarVz::DisplayFormat, &TAxisBarVz::SetDisplayFormat);
    P.String("EditMask", &TAxisBarVz::EditMask, &TAxisBarVz::SetEditMask);
    P.Object("PickList", &TAxisBarVz::PickList, &TAxisBarVz::SetPickList)
        .Stored(std::function<bool(TObject*)>([](TObject* o) { return static_cast<TAxisBarVz*>(o)->HasPickListItems(); }));
    P.Object("KeyList", &TAxisBarVz::KeyList, &TAxisBarVz::SetKeyList)
        .Stored(std::function<bool(TObject*)>([](TObject* o) { return static_cast<TAxisBarVz*>(o)->HasKeyListItems(); }));
    P.Integer("NotInKeyListIndex", &TAxisBarVz::NotInKeyListIndex, &TAxisBarVz::SetNotInKeyListIndex).Default(-1);
    P.Integer("Tag", &TAxisBarVz::Tag, &TAxisBarVz::SetTag).Default(0);
    P.Integer("DropDownRows", &TAxisBarVz::DropDownRows, &TAxisBarVz::SetDropDownRows).Default(7);
    P.Integer("DropDownWidth", &TAxisBarVz::DropDownWidth, &TAxisBarVz::SetDropDownWidth).Default(0);
    P.Extended("Increment", &TAxisBarVz::Increment, &TAxisBarVz::SetIncrement)
        .Stored(std::function<bool(TObject*)>([](TObject* o) { return static_cast<TAxisBarVz*>(o)->Increment() != 1.0L; }));
    P.Boolean("CaseInsensitiveTextSearch", &TAxisBarVz::CaseInsensitiveTextSearch,
              &TAxisBarVz::SetCaseInsensitiveTextSearch)
        .Default(1);
    P.Boolean("ShowImageAndText", &TAxisBarVz::ShowImageAndText, &TAxisBarVz::SetShowImageAndText).Default(0);
    P.Boolean("CellDataIsLink", &TAxisBarVz::CellDataIsLink, &TAxisBarVz::SetCellDataIsLink).Default(0);
}

void TGridAxisBarsVz::SaveToStream(TStream* S) {
    TOwned<TColumnsWrapper> w = NewOwned<TColumnsWrapper>(nullptr);
    w->FBars = this;
    WriteComponentToStream(S, w.get());
}

void TGridAxisBarsVz::LoadFromStream(TStream* S) {
    // Read into a fresh collection first: a stream that fails to read leaves these bars as they were.
    TOwned<TGridAxisBarsVz> fresh(FGrid ? FGrid->CreateAxisBars() : New<TGridAxisBarsVz>(nullptr, ItemClass()));
    TOwned<TColumnsWrapper> w = NewOwned<TColumnsWrapper>(nullptr);
    w->FBars = fresh.get();
    ReadComponentFromStream(S, w.get());
    Assign(fresh.get());
}

void TGridAxisBarsVz::SaveToFile(const String& FileName) {
    TFileStream s(FileName, fmCreate);
    SaveToStream(&s);
}

void TGridAxisBarsVz::LoadFromFile(const String& FileName) {
    TFileStream s(FileName, fmOpenRead);
    LoadFromStream(&s);
}
