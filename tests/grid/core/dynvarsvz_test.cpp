#include "grid/core/dynvarsvz.h"

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

struct FreeObj {
    void operator()(TObject* o) const { o->Free(); }
};
template <class T>
using Owned = std::unique_ptr<T, FreeObj>;

const String DuplicateOf(const String& Name) {
    return u"Переменная с именем '"_S + Name + u"' уже присутствует в Коллекции"_S;
}

template <class F>
String MessageOf(F&& Fn) {
    try {
        Fn();
    } catch (const Exception& e) {
        return e.Message();
    }
    return u"<no exception>"_S;
}

// A component that publishes a parameter list, as the grids publish DynProps.
class TDynPropsHolderVz : public TComponent {
    SDELKA_CLASS(TDynPropsHolderVz, TComponent)
protected:
    explicit TDynPropsHolderVz(TComponent* AOwner) : TComponent(AOwner), FVars(New<TDynVarsVz>(this)) {}
    ~TDynPropsHolderVz() override { FVars->Free(); }

public:
    static void Published(TPublished<TDynPropsHolderVz>& P) {
        P.Object("DynProps", &TDynPropsHolderVz::DynProps, &TDynPropsHolderVz::SetDynProps);
    }
    TDynVarsVz* DynProps() const { return FVars; }
    void SetDynProps(TDynVarsVz* Value) { FVars->Assign(Value); }

private:
    TDynVarsVz* FVars;
};

}  // namespace

TEST(DynVarsVz, WritingThroughTheLookupOfAMissingNameAddsTheItem) {
    Owned<TDynVarsVz> vars(New<TDynVarsVz>(nullptr));
    TObject marker;
    vars->GetDynVar(u"Column"_S)->SetAsRefObject(&marker);
    ASSERT_EQ(vars->Count(), 1);
    EXPECT_EQ(vars->GetItem(0)->Name(), u"Column"_S);
    TDynVarVz* found = vars->GetDynVar(u"column"_S);
    EXPECT_EQ(found, vars->GetItem(0));
    EXPECT_EQ(found->AsRefObject(), &marker);
    EXPECT_FALSE(found->IsDummy());
}

TEST(DynVarsVz, MissingNamesShareOnePlaceholder) {
    Owned<TDynVarsVz> vars(New<TDynVarsVz>(nullptr));
    TDynVarVz* a = vars->GetDynVar(u"A"_S);
    EXPECT_EQ(a->AsInteger(), 0);
    EXPECT_TRUE(a->IsNull());
    EXPECT_FALSE(a->AsBoolean());
    EXPECT_EQ(a->AsString(), String());
    EXPECT_EQ(a->AsRefObject(), nullptr);
    EXPECT_EQ(vars->Count(), 0);  // reading adds nothing

    TDynVarVz* b = vars->GetDynVar(u"B"_S);
    EXPECT_EQ(a, b);
    a->SetAsInteger(7);  // stored under the latest missing name
    ASSERT_EQ(vars->Count(), 1);
    EXPECT_EQ(vars->GetItem(0)->Name(), u"B"_S);
    EXPECT_EQ(vars->FindDynVar(u"b"_S)->AsInteger(), 7);
    EXPECT_EQ(vars->FindDynVar(u"A"_S), nullptr);
    EXPECT_NE(vars->GetDynVar(u"C"_S), a);  // a fresh placeholder took its place
}

TEST(DynVarsVz, NamesAreUniqueWithoutRegardToCase) {
    Owned<TDynVarsVz> vars(New<TDynVarsVz>(nullptr));
    vars->CreateDynVar(u"A"_S, Variant(1));
    EXPECT_EQ(MessageOf([&] { vars->CreateDynVar(u"a"_S, Variant(2)); }), DuplicateOf(u"a"_S));
    EXPECT_EQ(vars->Count(), 1);

    TDynVarVz* b = vars->CreateDynVar(u"B"_S, Variant(2));
    EXPECT_EQ(MessageOf([&] { b->SetName(u"A"_S); }), DuplicateOf(u"A"_S));
    EXPECT_EQ(b->Name(), u"B"_S);
    b->SetName(u"b"_S);  // its own name in another case is allowed
    EXPECT_EQ(b->Name(), u"b"_S);

    // A placeholder whose name appeared in the list meanwhile stays a placeholder.
    TDynVarVz* dummy = vars->GetDynVar(u"C"_S);
    vars->CreateDynVar(u"c"_S, Variant(3));
    EXPECT_EQ(MessageOf([&] { dummy->SetAsInteger(4); }), DuplicateOf(u"C"_S));
    EXPECT_TRUE(dummy->IsDummy());
    EXPECT_EQ(vars->Count(), 3);
    // Renaming the placeholder is checked against its list, and it stays a placeholder.
    EXPECT_EQ(MessageOf([&] { vars->GetDynVar(u"D"_S)->SetName(u"A"_S); }), DuplicateOf(u"A"_S));
    vars->GetDynVar(u"D"_S)->SetName(u"E"_S);
    EXPECT_EQ(vars->Count(), 3);
}

TEST(DynVarsVz, IsNullAndTypedViews) {
    Owned<TDynVarsVz> vars(New<TDynVarsVz>(nullptr));
    struct Case {
        const char* Name;
        Variant Value;
        bool IsNull;
    };
    const Case cases[] = {
        {"zero", Variant(0), true},           {"empty text", Variant(u""_S), true},
        {"false", Variant(false), true},      {"zero float", Variant(0.0), true},
        {"null", Null(), true},               {"one", Variant(1), false},
        {"text", Variant(u"x"_S), false},     {"true", Variant(true), false},
        {"array", VarArrayOf({Variant(1)}), false},
    };
    for (const Case& c : cases) {
        TDynVarVz* v = vars->CreateDynVar(QString::fromLatin1(c.Name), c.Value);
        EXPECT_EQ(v->IsNull(), c.IsNull) << c.Name;
    }
    TDynVarVz* v = vars->GetDynVar(u"typed"_S);
    v->SetAsFloat(2.5);
    EXPECT_EQ(VarType(v->Value()), varDouble);
    EXPECT_EQ(v->AsString(), u"2,5"_S);
    v->SetAsDateTime(45000.25);
    EXPECT_EQ(VarType(v->Value()), varDate);
    EXPECT_DOUBLE_EQ(v->AsDateTime(), 45000.25);
    v->SetAsCurrency(Currency(12.34));
    EXPECT_EQ(VarType(v->Value()), varCurrency);
    v->SetAsBoolean(true);
    EXPECT_EQ(VarType(v->Value()), varBoolean);
    EXPECT_EQ(v->AsInteger(), -1);
    v->SetAsString(u"abc"_S);
    EXPECT_THROW(v->AsInteger(), EVariantError);
}

TEST(DynVarsVz, ChangeNotification) {
    Owned<TDynVarsVz> vars(New<TDynVarsVz>(nullptr));
    int changes = 0;
    TObject* sender = nullptr;
    vars->OnChange = [&](TObject* S) {
        ++changes;
        sender = S;
    };
    TDynVarVz* v = vars->CreateDynVar(u"X"_S, Variant(u"a"_S));
    EXPECT_GT(changes, 0);
    EXPECT_EQ(sender, vars.get());
    changes = 0;
    v->SetAsString(u"b"_S);
    EXPECT_EQ(changes, 0);  // the text writer does not notify
    v->SetValue(Variant(u"b"_S));
    EXPECT_EQ(changes, 1);  // the Variant writer does, even with the same value
    v->Clear();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(VarIsEmpty(v->Value()));
    vars->DeleteDynVar(u"x"_S);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(vars->Count(), 0);
}

TEST(DynVarsVz, MovingAndDetachingItems) {
    Owned<TDynVarsVz> a(New<TDynVarsVz>(nullptr));
    Owned<TDynVarsVz> b(New<TDynVarsVz>(nullptr));
    TDynVarVz* x = a->CreateDynVar(u"X"_S, Variant(1));
    b->CreateDynVar(u"x"_S, Variant(2));
    EXPECT_EQ(MessageOf([&] { b->AddDynVar(x); }), DuplicateOf(u"X"_S));
    EXPECT_EQ(x->Collection(), a.get());
    b->DeleteDynVar(u"X"_S);
    b->AddDynVar(x);
    EXPECT_EQ(a->Count(), 0);
    EXPECT_EQ(b->Count(), 1);
    EXPECT_EQ(x->VarCollection(), b.get());
    a->RemoveDynVar(x);  // not a's: nothing
    EXPECT_EQ(b->Count(), 1);
    b->RemoveDynVar(x);
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(x->Collection(), nullptr);
    x->Free();
}

TEST(DynVarsVz, AssignValuesIsEqualAndAssign) {
    Owned<TDynVarsVz> source(New<TDynVarsVz>(nullptr));
    source->CreateDynVar(u"X"_S, Variant(5));
    source->CreateDynVar(u"Y"_S, Variant(6));
    Owned<TDynVarsVz> target(New<TDynVarsVz>(nullptr));
    target->CreateDynVar(u"x"_S, Variant(1));
    target->AssignValues(source.get());
    ASSERT_EQ(target->Count(), 1);
    EXPECT_EQ(target->GetItem(0)->Name(), u"X"_S);
    EXPECT_EQ(target->GetItem(0)->AsInteger(), 5);

    Owned<TDynVarsVz> reversed(New<TDynVarsVz>(nullptr));
    reversed->CreateDynVar(u"Y"_S, Variant(6));
    reversed->CreateDynVar(u"X"_S, Variant(5));
    EXPECT_FALSE(source->IsEqual(reversed.get()));

    Owned<TDynVarsVz> copy(New<TDynVarsVz>(nullptr));
    copy->CreateDynVar(u"old"_S, Variant(0));
    copy->Assign(source.get());
    EXPECT_TRUE(source->IsEqual(copy.get()));
    source->GetItem(1)->SetValue(Variant(6.0));  // same number, another type
    EXPECT_FALSE(source->IsEqual(copy.get()));

    // A list into something that is not a list, an item into a non-item.
    TDynVarVz* item = copy->GetItem(0);
    EXPECT_THROW(item->Assign(copy.get()), Exception);
    EXPECT_THROW(copy->Assign(item), Exception);
}

TEST(DynVarsVz, DisplayName) {
    Owned<TDynVarsVz> vars(New<TDynVarsVz>(nullptr));
    TDynVarVz* v = static_cast<TDynVarVz*>(vars->Add());
    EXPECT_EQ(v->DisplayName(), u"TDynVarVz"_S);
    v->SetValue(Null());
    EXPECT_EQ(v->DisplayName(), u"(EmptyName)=(Null)"_S);
    v->SetName(u"N"_S);
    v->Clear();
    EXPECT_EQ(v->DisplayName(), u"N=(Empty)"_S);
    v->SetAsInteger(3);
    EXPECT_EQ(v->DisplayName(), u"N=3"_S);
}

TEST(DynVarsVz, ValuesSurviveComponentStreaming) {
    Owned<TDynPropsHolderVz> holder(New<TDynPropsHolderVz>(nullptr));
    holder->SetName(u"Holder"_S);
    holder->DynProps()->CreateDynVar(u"Count"_S, Variant(3));
    holder->DynProps()->CreateDynVar(u"Caption"_S, Variant(u"Смена"_S));
    holder->DynProps()->CreateDynVar(u"Missing"_S, Null());
    TMemoryStream stream;
    WriteComponentToStream(&stream, holder.get());
    stream.SetPosition(0);
    Owned<TDynPropsHolderVz> back(New<TDynPropsHolderVz>(nullptr));
    ReadComponentFromStream(&stream, back.get());
    ASSERT_EQ(back->DynProps()->Count(), 3);
    EXPECT_EQ(back->DynProps()->GetDynVar(u"count"_S)->AsInteger(), 3);
    EXPECT_EQ(back->DynProps()->GetDynVar(u"caption"_S)->AsString(), u"Смена"_S);
    EXPECT_TRUE(VarIsNull(back->DynProps()->GetDynVar(u"missing"_S)->Value()));
}

TEST(StringVarsVz, TextForm) {
    Owned<TStringVarsVz> vars(New<TStringVarsVz>(nullptr));
    vars->SetFromTextString(u"A=1\r\nB=x=y\r\n"_S);
    ASSERT_EQ(vars->Count(), 2);
    EXPECT_EQ(vars->GetVarValue(u"a"_S), u"1"_S);
    EXPECT_EQ(vars->GetVarValue(u"B"_S), u"x=y"_S);
    EXPECT_EQ(vars->GetAsTextString(), u"A=1\r\nB=x=y\r\n"_S);
    vars->SetVarValue(u"A"_S, u"2"_S);
    EXPECT_EQ(vars->GetItem(0)->Value(), u"2"_S);

    const String missing = u"A Variable named 'Z' doesn't exist in the Collection 'TStringVarsVz'"_S;
    EXPECT_EQ(MessageOf([&] { vars->GetVarValue(u"Z"_S); }), missing);
    EXPECT_EQ(MessageOf([&] { vars->SetVarValue(u"Z"_S, u"1"_S); }), missing);

    // Two lines without "=" have the same empty name: the second one fails, the first stays.
    int changes = 0;
    vars->OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(MessageOf([&] { vars->SetFromTextString(u"one\r\ntwo\r\n"_S); }), DuplicateOf(String()));
    ASSERT_EQ(vars->Count(), 1);
    EXPECT_EQ(vars->GetItem(0)->Name(), String());
    EXPECT_EQ(changes, 1);  // one notice at the end of the update, also on failure

    Owned<TStringVarsVz> empty(New<TStringVarsVz>(nullptr));
    EXPECT_EQ(empty->GetAsTextString(), String());
}
