#include "platform/rtl/filer.h"

#include "platform/rtl/collections.h"
#include "platform/rtl/lists.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

enum TShape { shCircle, shSquare, shTriangle };
enum TTinyMark { tmA, tmB, tmC };
using TTinyMarks = TSet<TTinyMark>;

class TTinyItem : public TCollectionItem {
    SDELKA_CLASS(TTinyItem, TCollectionItem)
protected:
    explicit TTinyItem(TCollection* C) : TCollectionItem(C) {}
    ~TTinyItem() override = default;

public:
    static void Published(TPublished<TTinyItem>& P) {
        P.String("Caption", &TTinyItem::Caption, &TTinyItem::SetCaption);
        P.Integer("Weight", &TTinyItem::Weight, &TTinyItem::SetWeight).Default(0);
    }
    String Caption() const { return FCaption; }
    void SetCaption(const String& v) { FCaption = v; }
    int Weight() const { return FWeight; }
    void SetWeight(int v) { FWeight = v; }

private:
    String FCaption;
    int FWeight = 0;
};

class TTiny : public TComponent {
    SDELKA_CLASS(TTiny, TComponent)
protected:
    explicit TTiny(TComponent* AOwner) : TComponent(AOwner), FItems(NewOwned<TOwnedCollection>(this, TTinyItem::StaticClass())) {}
    ~TTiny() override = default;

public:
    static void Published(TPublished<TTiny>& P) {
        P.Integer("Count", &TTiny::Count, &TTiny::SetCount);
        P.Int64("Big", &TTiny::Big, &TTiny::SetBig).Default(0);
        P.String("Text", &TTiny::Text, &TTiny::SetText);
        P.String("Note", &TTiny::Note, &TTiny::SetNote);
        P.String("Label", &TTiny::Label, &TTiny::SetLabel);
        P.Boolean("Flag", &TTiny::Flag, &TTiny::SetFlag).Default(false);
        P.Enum("Shape", &TTiny::Shape, &TTiny::SetShape, {"shCircle", "shSquare", "shTriangle"}).Default(shCircle);
        P.Set("Marks", &TTiny::Marks, &TTiny::SetMarks, {"mkA", "mkB", "mkC"}).Default(0);
        P.Extended("Ratio", &TTiny::Ratio, &TTiny::SetRatio);
        P.Currency("Amount", &TTiny::Amount, &TTiny::SetAmount);
        P.Object("Items", &TTiny::Items);
    }
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    Int64 Big() const { return FBig; }
    void SetBig(Int64 v) { FBig = v; }
    String Text() const { return FText; }
    void SetText(const String& v) { FText = v; }
    String Note() const { return FNote; }
    void SetNote(const String& v) { FNote = v; }
    String Label() const { return FLabel; }
    void SetLabel(const String& v) { FLabel = v; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool v) { FFlag = v; }
    TShape Shape() const { return FShape; }
    void SetShape(TShape v) { FShape = v; }
    TTinyMarks Marks() const { return FMarks; }
    void SetMarks(TTinyMarks v) { FMarks = v; }
    Extended Ratio() const { return FRatio; }
    void SetRatio(Extended v) { FRatio = v; }
    Currency Amount() const { return FAmount; }
    void SetAmount(Currency v) { FAmount = v; }
    TOwnedCollection* Items() { return FItems.get(); }

private:
    int FCount = 0;
    Int64 FBig = 0;
    String FText, FNote, FLabel;
    bool FFlag = false;
    TShape FShape = shCircle;
    TTinyMarks FMarks;
    Extended FRatio = 0;
    Currency FAmount;
    TOwned<TOwnedCollection> FItems;
};

QByteArray Bytes(TMemoryStream& m) {
    return QByteArray(static_cast<const char*>(m.Memory()), static_cast<qsizetype>(m.Size()));
}

QByteArray Str(const char* s) {
    QByteArray b(s);
    return char(b.size()) + b;
}

QByteArray Hex(const char* h) { return QByteArray::fromHex(h); }

// The string list as a published sub-object: its lines stream through the list's own defined
// property "Strings".
class TStreamedStrings : public TStringList {
    SDELKA_CLASS(TStreamedStrings, TStringList)
public:
    TStreamedStrings() = default;
};

class TFontish : public TPersistent {
    SDELKA_CLASS(TFontish, TPersistent)
public:
    static void Published(TPublished<TFontish>& P) {
        P.String("Name", &TFontish::Name, &TFontish::SetName);
        P.Integer("Size", &TFontish::Size, &TFontish::SetSize).Default(8);
    }
    String Name() const { return FName; }
    void SetName(const String& v) { FName = v; }
    int Size() const { return FSize; }
    void SetSize(int v) { FSize = v; }

private:
    String FName;
    int FSize = 8;
};

// A container: its children are the components it owns, in order.
class TGadget : public TComponent {
    SDELKA_CLASS(TGadget, TComponent)
protected:
    explicit TGadget(TComponent* AOwner) : TComponent(AOwner), FItems(NewOwned<TOwnedCollection>(this, TTinyItem::StaticClass())) {
        FItems->SetPropName("Items");
    }
    ~TGadget() override = default;

public:
    static void Published(TPublished<TGadget>& P) {
        P.Enum("Shape", &TGadget::Shape, &TGadget::SetShape, {"shCircle", "shSquare", "shTriangle"}).Default(shCircle);
        P.Set("Marks", &TGadget::Marks, &TGadget::SetMarks, {"mkA", "mkB", "mkC"}).Default(0);
        P.Object("Font", &TGadget::Font, &TGadget::SetFont);
        P.Object("Lines", &TGadget::Lines, &TGadget::SetLines);
        P.Object("Items", &TGadget::Items);
        P.Component("Link", &TGadget::Link, &TGadget::SetLink);
        P.Date("When", &TGadget::When, &TGadget::SetWhen);
        P.Single("Scale", &TGadget::Scale, &TGadget::SetScale);
        P.Char("Letter", &TGadget::Letter, &TGadget::SetLetter).Default(' ');
        P.Event("OnChange", &TGadget::OnChangeName, &TGadget::SetOnChangeName);
    }
    TShape Shape() const { return FShape; }
    void SetShape(TShape v) { FShape = v; }
    TTinyMarks Marks() const { return FMarks; }
    void SetMarks(TTinyMarks v) { FMarks = v; }
    TFontish* Font() { return &FFont; }
    void SetFont(TFontish* v) {
        FFont.SetName(v->Name());
        FFont.SetSize(v->Size());
    }
    TStreamedStrings* Lines() { return &FLines; }
    void SetLines(TStreamedStrings* v) { FLines.Assign(v); }
    TOwnedCollection* Items() { return FItems.get(); }
    TGadget* Link() const { return FLink; }
    void SetLink(TGadget* v) {
        if (v) v->FreeNotification(this);
        FLink = v;
    }
    TDateTime When() const { return FWhen; }
    void SetWhen(TDateTime v) { FWhen = v; }
    float Scale() const { return FScale; }
    void SetScale(float v) { FScale = v; }
    QChar Letter() const { return FLetter; }
    void SetLetter(QChar v) { FLetter = v; }
    String OnChangeName() const { return FOnChange; }
    void SetOnChangeName(const String& v) { FOnChange = v; }

    QByteArray Data;  // a defined binary property
    std::vector<String> Extra;  // a defined list property, always written
    bool LoadedCalled = false;
    bool LinkFixedBeforeLoaded = false;
    bool StillLoadingInLoaded = false;

    void GetChildren(const TGetChildProc& Proc, TComponent* /*Root*/) override {
        for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
    }
    // Children read from the stream are owned by the component they are nested in.
    TComponent* GetChildOwner() override { return this; }

    void DefineProperties(TFiler* Filer) override {
        TComponent::DefineProperties(Filer);
        Filer->DefineBinaryProperty(
            "Data",
            [this](TStream* S) {
                Data.resize(static_cast<qsizetype>(S->Size()));
                S->ReadBuffer(Data.data(), static_cast<Integer>(Data.size()));
            },
            [this](TStream* S) { S->WriteBuffer(Data.constData(), static_cast<Integer>(Data.size())); },
            !Data.isEmpty());
        Filer->DefineProperty(
            "EXTRA",
            [this](TReader* R) {
                Extra.clear();
                R->ReadListBegin();
                while (!R->EndOfList()) Extra.push_back(R->ReadString());
                R->ReadListEnd();
            },
            [this](TWriter* W) {
                W->WriteListBegin();
                for (auto& s : Extra) W->WriteString(s);
                W->WriteListEnd();
            },
            true);
    }

    void Loaded() override {
        StillLoadingInLoaded = ComponentState().Contains(csLoading);
        TComponent::Loaded();
        LoadedCalled = true;
        LinkFixedBeforeLoaded = Name() != "Root" || FLink != nullptr;
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FLink) FLink = nullptr;
    }

private:
    TShape FShape = shCircle;
    TTinyMarks FMarks;
    TFontish FFont;
    TStreamedStrings FLines;
    TOwned<TOwnedCollection> FItems;
    TGadget* FLink = nullptr;
    TDateTime FWhen = 0;
    float FScale = 0;
    QChar FLetter = u' ';
    String FOnChange;
};

struct RegisterTestClasses {
    RegisterTestClasses() { RegisterClasses({TTiny::StaticClass(), TGadget::StaticClass()}); }
    ~RegisterTestClasses() { UnRegisterClasses({TTiny::StaticClass(), TGadget::StaticClass()}); }
};

TGadget* BuildTree() {
    auto* root = New<TGadget>(nullptr);
    root->SetName("Root");
    root->SetShape(shTriangle);
    root->SetMarks({tmA, tmC});
    root->Font()->SetName("Arial");
    root->Font()->SetSize(12);
    root->Lines()->Add("first");
    root->Lines()->Add(u"вторая строка"_S);
    root->Lines()->Add("");
    for (const char* c : {"one", "two"}) {
        auto* it = static_cast<TTinyItem*>(root->Items()->Add());
        it->SetCaption(c);
        it->SetWeight(static_cast<int>(std::strlen(c)) * 100);
    }
    root->Data = QByteArray::fromHex("00FF10203040506070");
    root->Extra = {"0", "''", u"Цех № 1"_S};
    root->SetWhen(45000.5);
    root->SetScale(0.25f);
    root->SetLetter(u'Ж');
    root->SetOnChangeName("RootChange");

    auto* a = New<TGadget>(root);
    a->SetName("Child1");
    a->SetShape(shSquare);
    auto* b = New<TGadget>(root);
    b->SetName("Child2");
    b->SetLink(a);
    auto* inner = New<TGadget>(b);
    inner->SetName("Inner");
    inner->SetLink(root);
    root->SetLink(b);
    return root;
}

}  // namespace

TEST(Filer, BinaryFormIsByteExactAgainstAHandComputedFixture) {
    RegisterTestClasses reg;
    auto* t = New<TTiny>(nullptr);
    t->SetName("T1");
    t->SetCount(5);
    t->SetBig(300);
    t->SetText("abc");
    t->SetNote(u"Кот"_S);
    t->SetLabel(u"é1"_S);
    t->SetFlag(true);
    t->SetShape(shSquare);
    t->SetMarks({tmA, tmC});
    t->SetRatio(1.5L);
    t->SetAmount(Currency(1.5));
    static_cast<TTinyItem*>(t->Items()->Add())->SetCaption("x");

    TMemoryStream m;
    WriteComponentToStream(&m, t);

    QByteArray expected = QByteArray("TPF0") + Str("TTiny") + Str("T1") +
        Str("Count") + Hex("0205") +
        Str("Big") + Hex("032C01") +
        Str("Text") + Hex("0603") + "abc" +
        Str("Note") + Hex("12" "03000000" "1A04" "3E04" "4204") +   // vaWString: 3 UTF-16 units
        Str("Label") + Hex("14" "03000000" "C3A931") +              // vaUTF8String: 3 bytes
        Str("Flag") + Hex("09") +
        Str("Shape") + Hex("07") + Str("shSquare") +
        Str("Marks") + Hex("0B") + Str("mkA") + Str("mkC") + Hex("00") +
        Str("Ratio") + Hex("05" "00000000000000C0FF3F") +           // 1.5 as 80-bit extended
        Str("Amount") + Hex("10" "983A000000000000") +              // 15000 = 1.5 * 10000
        Str("Items") + Hex("0E" "01") + Str("Caption") + Hex("0601") + "x" + Hex("00" "00") +
        Hex("00")    // end of properties
        + Hex("00");  // end of children
    EXPECT_EQ(Bytes(m).toHex(' '), expected.toHex(' '));

    // Through the text form and back: the same bytes.
    m.SetPosition(0);
    TMemoryStream text, back;
    ObjectBinaryToText(&m, &text);
    text.SetPosition(0);
    EXPECT_EQ(TestStreamFormat(&text), sofText);
    ObjectTextToBinary(&text, &back);
    EXPECT_EQ(Bytes(back).toHex(' '), expected.toHex(' '));

    String s = QString::fromUtf8(Bytes(text));
    EXPECT_TRUE(s.startsWith("object T1: TTiny\r\n  Count = 5\r\n  Big = 300\r\n  Text = 'abc'\r\n")) << s.toStdString();
    EXPECT_TRUE(s.contains("  Note = #1050#1086#1090\r\n")) << s.toStdString();
    EXPECT_TRUE(s.contains("  Marks = [mkA, mkC]\r\n"));
    EXPECT_TRUE(s.contains("  Ratio = 1.5\r\n"));
    EXPECT_TRUE(s.contains("  Amount = 15000c\r\n"));
    EXPECT_TRUE(s.contains("  Items = <\r\n    item\r\n      Caption = 'x'\r\n    end>\r\n"));
    EXPECT_TRUE(s.endsWith("end\r\n"));

    // And read back into a new component created by class name.
    back.SetPosition(0);
    TComponent* c = ReadComponentFromStream(&back, nullptr);
    auto* r = dynamic_cast<TTiny*>(c);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Name(), "T1");
    EXPECT_EQ(r->Big(), 300);
    EXPECT_EQ(r->Note(), u"Кот"_S);
    EXPECT_EQ(r->Label(), u"é1"_S);
    EXPECT_TRUE(r->Marks() == (TTinyMarks{tmA, tmC}));
    EXPECT_EQ(r->Ratio(), 1.5L);
    EXPECT_EQ(r->Amount(), Currency(1.5));
    ASSERT_EQ(r->Items()->Count(), 1);
    EXPECT_EQ(r->Items()->ItemsAs<TTinyItem>(0)->Caption(), "x");
    EXPECT_FALSE(r->ComponentState().Contains(csLoading));
    r->Free();
    t->Free();
}

TEST(Filer, ValuesPickTheirTagsByMagnitudeAndContent) {
    struct Case {
        std::function<void(TWriter&)> Write;
        const char* Hex;
    };
    const Case cases[] = {
        {[](TWriter& w) { w.WriteInteger(-128); }, "0280"},
        {[](TWriter& w) { w.WriteInteger(128); }, "038000"},
        {[](TWriter& w) { w.WriteInteger(-32769); }, "04ff7fffff"},
        {[](TWriter& w) { w.WriteInteger(Int64(1) << 31); }, "130000008000000000"},
        {[](TWriter& w) { w.WriteString(""); }, "1200000000"},                  // empty: vaWString
        {[](TWriter& w) { w.WriteString(QString(256, u'a')); }, nullptr},       // vaLString, below
        {[](TWriter& w) { w.WriteIdent("True"); }, "09"},
        {[](TWriter& w) { w.WriteIdent("nil"); }, "0d"},
        {[](TWriter& w) { w.WriteIdent("Null"); }, "00"},
        {[](TWriter& w) { w.WriteFloat(-2); }, "05000000000000008000c0"},
        {[](TWriter& w) { w.WriteFloat(0); }, "0500000000000000000000"},
        {[](TWriter& w) { w.WriteSingle(1.0f); }, "0f0000803f"},
        {[](TWriter& w) { w.WriteDouble(1.0); }, "15000000000000f03f"},
        {[](TWriter& w) { w.WriteDate(2.0); }, "110000000000000040"},
        {[](TWriter& w) { w.WriteVariant(Variant()); }, "0d"},
        {[](TWriter& w) { w.WriteVariant(Variant::Null()); }, "00"},
        {[](TWriter& w) { w.WriteVariant(Variant(2.5)); }, "0500000000000000a00040"},
        {[](TWriter& w) { w.WriteVariant(VarByteArrayOf(QByteArray("\x01\x02", 2))); }, "0a020000000102"},
    };
    for (const Case& c : cases) {
        TMemoryStream m;
        TWriter w(&m);
        c.Write(w);
        if (c.Hex) EXPECT_EQ(Bytes(m).toHex(), QByteArray(c.Hex));
        else EXPECT_EQ(Bytes(m).left(5).toHex(), QByteArray("0c00010000"));
    }
    TMemoryStream m;
    TWriter w(&m);
    EXPECT_THROW(w.WriteVariant(VarArrayOf({1, 2})), EWriteError);
}

TEST(Filer, ExtendedBytesRoundTripExactly) {
    const Extended values[] = {1.5L, -2.0L, 0.1L, 1e-4000L, 1.18973e4932L, 3.14159265358979323846L,
                               std::numeric_limits<Extended>::denorm_min(), 123456789.125L};
    for (Extended v : values) {
        Byte b[10];
        ExtendedToBytes(v, b);
        EXPECT_EQ(BytesToExtended(b), v);
    }
    Byte b[10];
    ExtendedToBytes(-std::numeric_limits<Extended>::infinity(), b);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b), 10).toHex(), "0000000000000080ffff");
    ExtendedToBytes(std::numeric_limits<Extended>::quiet_NaN(), b);
    EXPECT_TRUE(std::isnan(BytesToExtended(b)));
}

TEST(Filer, ComponentTreeRoundTripsThroughBinaryAndTextAndFixesUpReferences) {
    RegisterTestClasses reg;
    TGadget* root = BuildTree();
    TMemoryStream first;
    WriteComponentToStream(&first, root);

    first.SetPosition(0);
    TMemoryStream text, second;
    ObjectBinaryToText(&first, &text);
    text.SetPosition(0);
    ObjectTextToBinary(&text, &second);
    EXPECT_EQ(Bytes(second).toHex(' '), Bytes(first).toHex(' '));

    second.SetPosition(0);
    auto* copy = dynamic_cast<TGadget*>(ReadComponentFromStream(&second, nullptr));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name(), "Root");
    EXPECT_EQ(copy->Shape(), shTriangle);
    EXPECT_TRUE(copy->Marks() == (TTinyMarks{tmA, tmC}));
    EXPECT_EQ(copy->Font()->Name(), "Arial");
    EXPECT_EQ(copy->Font()->Size(), 12);
    ASSERT_EQ(copy->Lines()->Count(), 3);
    EXPECT_EQ(copy->Lines()->Strings(1), u"вторая строка"_S);
    EXPECT_EQ(copy->Lines()->Strings(2), "");
    ASSERT_EQ(copy->Items()->Count(), 2);
    EXPECT_EQ(copy->Items()->ItemsAs<TTinyItem>(1)->Caption(), "two");
    EXPECT_EQ(copy->Items()->ItemsAs<TTinyItem>(1)->Weight(), 300);
    EXPECT_EQ(copy->Data, root->Data);
    EXPECT_EQ(copy->Extra, root->Extra);
    EXPECT_EQ(copy->When(), 45000.5);
    EXPECT_EQ(copy->Scale(), 0.25f);
    EXPECT_EQ(copy->Letter(), QChar(u'Ж'));
    EXPECT_EQ(copy->OnChangeName(), "RootChange");

    ASSERT_EQ(copy->ComponentCount(), 2);
    auto* c1 = static_cast<TGadget*>(copy->Components(0));
    auto* c2 = static_cast<TGadget*>(copy->Components(1));
    EXPECT_EQ(c1->Name(), "Child1");
    EXPECT_EQ(c1->Shape(), shSquare);
    ASSERT_EQ(c2->ComponentCount(), 1);
    auto* inner = static_cast<TGadget*>(c2->Components(0));
    // References resolved after the whole tree was read: forward (Root -> Child2), backward
    // (Child2 -> Child1), to the root ("Owner") and across owners ("Child2.Inner" is not needed:
    // Inner names the root).
    EXPECT_EQ(copy->Link(), c2);
    EXPECT_EQ(c2->Link(), c1);
    EXPECT_EQ(inner->Link(), copy);
    // Loaded ran on every component, after the fix-ups, while each was still loading.
    for (TGadget* g : {copy, c1, c2, inner}) {
        EXPECT_TRUE(g->LoadedCalled) << g->Name().toStdString();
        EXPECT_TRUE(g->StillLoadingInLoaded);
        EXPECT_FALSE(g->ComponentState().Contains(csLoading));
        EXPECT_FALSE(g->ComponentState().Contains(csReading));
    }
    EXPECT_TRUE(copy->LinkFixedBeforeLoaded);

    // Writing the copy gives the same bytes again.
    TMemoryStream third;
    WriteComponentToStream(&third, copy);
    EXPECT_EQ(Bytes(third).toHex(' '), Bytes(first).toHex(' '));

    String s = ComponentToText(root);
    EXPECT_TRUE(s.contains("  Font.Name = 'Arial'\r\n")) << s.toStdString();
    EXPECT_TRUE(s.contains("  Lines.Strings = (\r\n    'first'\r\n")) << s.toStdString();
    EXPECT_TRUE(s.contains("  Link = Child2\r\n"));
    EXPECT_TRUE(s.contains("  Data = {\r\n    00FF10203040506070}\r\n")) << s.toStdString();
    EXPECT_TRUE(s.contains("  object Child2: TGadget\r\n    Link = Child1\r\n"));
    EXPECT_TRUE(s.contains("    object Inner: TGadget\r\n      Link = Owner\r\n")) << s.toStdString();
    copy->Free();
    root->Free();
}

TEST(Filer, ReadingIntoAnExistingRootAndReaderHooks) {
    RegisterTestClasses reg;
    TGadget* root = BuildTree();
    String text = ComponentToText(root);
    root->Free();

    // Reading into a given root; children are created through OnCreateComponent.
    auto* target = New<TGadget>(nullptr);
    TStringStream ts(text);
    TMemoryStream bin;
    ObjectTextToBinary(&ts, &bin);
    bin.SetPosition(0);
    TReader r(&bin);
    std::vector<String> created;
    r.OnCreateComponent = [&](TReader* R, TClass cls, TComponent*& comp) {
        created.push_back(cls->ClassName());
        comp = cls->CreateComponent(R->Owner());
    };
    EXPECT_EQ(r.ReadRootComponent(target), target);
    EXPECT_EQ(created, (std::vector<String>{"TGadget", "TGadget", "TGadget"}));
    EXPECT_EQ(target->Name(), "Root");
    EXPECT_EQ(target->ComponentCount(), 2);
    target->Free();

    // An unknown class is looked up through OnFindComponentClass before failing.
    String renamed = text;
    renamed.replace("object Child1: TGadget", "object Child1: TWidgetOfOldVersion");
    TStringStream ts2(renamed);
    TMemoryStream bin2;
    ObjectTextToBinary(&ts2, &bin2);
    bin2.SetPosition(0);
    try {
        ReadComponentFromStream(&bin2, nullptr);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TWidgetOfOldVersion not found");
    }
    bin2.SetPosition(0);
    TReader r2(&bin2);
    r2.OnFindComponentClass = [](TReader*, const String& name, TClass& cls) {
        if (name == "TWidgetOfOldVersion") cls = TGadget::StaticClass();
    };
    TComponent* c = r2.ReadRootComponent(nullptr);
    EXPECT_EQ(c->FindComponent("Child1")->ClassName(), "TGadget");
    c->Free();
}

TEST(Filer, UnknownPropertiesRaiseUnlessTheErrorHookHandlesThem) {
    RegisterTestClasses reg;
    const String text = "object G: TGadget\r\n  Colour = 5\r\n  Shape = shSquare\r\nend\r\n";
    try {
        TextToComponent(text, nullptr);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Property Colour does not exist");
    }
    TStringStream ts(text);
    TMemoryStream bin;
    ObjectTextToBinary(&ts, &bin);
    bin.SetPosition(0);
    TReader r(&bin);
    std::vector<String> errors;
    r.OnError = [&](TReader*, const String& msg, bool& handled) {
        errors.push_back(msg);
        handled = true;
    };
    auto* g = static_cast<TGadget*>(r.ReadRootComponent(nullptr));
    EXPECT_EQ(errors, std::vector<String>{"Property Colour does not exist"});
    EXPECT_EQ(g->Shape(), shSquare);  // reading went on after the skipped value
    g->Free();

    // A bad enumeration name is an invalid property value; the half-read root is freed (ASan).
    EXPECT_THROW(TextToComponent("object G: TGadget\r\n  Shape = shHexagon\r\nend\r\n", nullptr), EReadError);
}

TEST(Filer, TextFormParsesItsOwnNotations) {
    RegisterTestClasses reg;
    const String text =
        "\xEF\xBB\xBF"  // a UTF-8 byte-order mark is accepted by the converter
        "object G: TGadget\r\n"
        "  Lines.Strings = (\r\n"
        "    'it''s' +\r\n"
        "      ' long'#13#10'next'\r\n"
        "    'Цех')\r\n"
        "  Marks = []\r\n"
        "  Scale = 1.5s\r\n"
        "  When = 2d\r\n"
        "  EXTRA = ()\r\n"
        "  Data = {\r\n"
        "    0A0B\r\n"
        "    0C}\r\n"
        "end\r\n";
    auto* g = static_cast<TGadget*>(TextToComponent(text, nullptr));
    ASSERT_EQ(g->Lines()->Count(), 2);
    EXPECT_EQ(g->Lines()->Strings(0), "it's long\r\nnext");
    EXPECT_EQ(g->Lines()->Strings(1), u"Цех"_S);
    EXPECT_EQ(g->Scale(), 1.5f);
    EXPECT_EQ(g->When(), 2.0);
    EXPECT_EQ(g->Data, QByteArray::fromHex("0A0B0C"));
    g->Free();

    for (const char* bad : {"object G: TGadget\r\n  Shape = \r\n", "object G TGadget\r\n  Data = {0}\r\nend\r\n",
                            "thing G: TGadget\r\nend\r\n", "object G: TGadget\r\n  Text = 'open\r\nend\r\n"}) {
        TStringStream in(QString::fromUtf8(bad));
        TMemoryStream out;
        EXPECT_THROW(ObjectTextToBinary(&in, &out), EParserError) << bad;
    }
}

TEST(Filer, TextFormWrittenInTheWindowsCodePageKeepsItsRussianText) {
    RegisterTestClasses reg;
    // A text form file of the Windows client: no byte-order mark, Russian text as 1251 bytes.
    const QByteArray file("object G: TGadget\r\n"
                          "  Lines.Strings = (\r\n"
                          "    '\xD6\xE5\xF5 \xB9\x32'\r\n"   // Цех №2
                          "    '\xB8\xEB\xEA\xE0')\r\n"         // ёлка
                          "end\r\n");
    TMemoryStream in;
    in.WriteBuffer(file.constData(), static_cast<Integer>(file.size()));
    in.SetPosition(0);
    TMemoryStream bin;
    ObjectTextToBinary(&in, &bin);
    bin.SetPosition(0);
    auto* g = static_cast<TGadget*>(ReadComponentFromStream(&bin, nullptr));
    ASSERT_EQ(g->Lines()->Count(), 2);
    EXPECT_EQ(g->Lines()->Strings(0), u"Цех №2"_S);
    EXPECT_EQ(g->Lines()->Strings(1), u"ёлка"_S);
    g->Free();
}

TEST(Filer, TestStreamFormatRecognisesTheForms) {
    struct Case {
        QByteArray Data;
        TStreamOriginalFormat Format;
    };
    const Case cases[] = {
        {"TPF0\x05TTiny", sofBinary},
        {"  \r\nobject A: TB\r\nend", sofText},
        {"inherited A: TB", sofText},
        {"\xEF\xBB\xBFobject A: TB", sofUTF8Text},
        {"PK\x03\x04", sofUnknown},
        {"", sofUnknown},
    };
    for (const Case& c : cases) {
        TMemoryStream m;
        if (!c.Data.isEmpty()) m.WriteBuffer(c.Data.constData(), static_cast<Integer>(c.Data.size()));
        m.SetPosition(0);
        EXPECT_EQ(TestStreamFormat(&m), c.Format) << c.Data.toStdString();
        EXPECT_EQ(m.Position(), 0);
    }
}

TEST(Filer, ReferencesToOtherRootsAndInheritedRecords) {
    RegisterTestClasses reg;
    // A reference "Other.Target" resolves through the registered global roots.
    auto* other = New<TGadget>(nullptr);
    other->SetName("Other");
    auto* target = New<TGadget>(other);
    target->SetName("Target");
    RegisterFindGlobalComponentProc([other](const String& Name) -> TComponent* {
        return Name.compare(other->Name(), Qt::CaseInsensitive) == 0 ? other : nullptr;
    });
    auto* g = static_cast<TGadget*>(
        TextToComponent("object G: TGadget\r\n  Link = Other.Target\r\nend\r\n", nullptr));
    EXPECT_EQ(g->Link(), target);
    // Written back relative to the root it belongs to.
    EXPECT_TRUE(ComponentToText(g).contains("  Link = Other.Target\r\n"));
    g->Free();
    // A name that resolves nowhere leaves the reference nil.
    g = static_cast<TGadget*>(TextToComponent("object G: TGadget\r\n  Link = Gone.Target\r\nend\r\n", nullptr));
    EXPECT_EQ(g->Link(), nullptr);
    g->Free();
    ClearFindGlobalComponentProcs();
    other->Free();

    // An inherited record reads into the component that already exists; a missing one is asked
    // of OnAncestorNotFound.
    auto* root = New<TGadget>(nullptr);
    auto* existing = New<TGadget>(root);
    existing->SetName("Existing");
    auto* spare = New<TGadget>(root);
    spare->SetName("Spare");
    const String text =
        "inherited Root: TGadget\r\n"
        "  inherited Existing: TGadget\r\n    Shape = shSquare\r\n  end\r\n"
        "  inherited Missing: TGadget\r\n    Shape = shTriangle\r\n  end\r\n"
        "end\r\n";
    TStringStream ts(text);
    TMemoryStream bin;
    ObjectTextToBinary(&ts, &bin);
    bin.SetPosition(0);
    TReader r(&bin);
    std::vector<String> asked;
    r.OnAncestorNotFound = [&](TReader*, const String& Name, TClass, TComponent*& Component) {
        asked.push_back(Name);
        Component = spare;
    };
    r.ReadRootComponent(root);
    EXPECT_EQ(existing->Shape(), shSquare);
    EXPECT_EQ(spare->Shape(), shTriangle);
    EXPECT_EQ(asked, std::vector<String>{"Missing"});
    EXPECT_EQ(root->ComponentCount(), 2);
    root->Free();
}

TEST(Filer, DamagedStreamsRaiseReadErrors) {
    RegisterTestClasses reg;
    TGadget* root = BuildTree();
    TMemoryStream good;
    WriteComponentToStream(&good, root);
    root->Free();
    const QByteArray bytes = Bytes(good);
    // Every truncation, and a value tag out of range, fails cleanly (no leak, no crash).
    for (qsizetype cut : {qsizetype(3), qsizetype(10), bytes.size() / 2, bytes.size() - 1}) {
        TMemoryStream m;
        m.WriteBuffer(bytes.constData(), static_cast<Integer>(cut));
        m.SetPosition(0);
        EXPECT_THROW(ReadComponentFromStream(&m, nullptr), EStreamError) << cut;
        m.SetPosition(0);
        TMemoryStream text;
        EXPECT_THROW(ObjectBinaryToText(&m, &text), EStreamError) << cut;
    }
    QByteArray bad = QByteArray("TPF0") + Str("TGadget") + Str("G") + Str("Shape") + Hex("7F") + Hex("0000");
    TMemoryStream m;
    m.WriteBuffer(bad.constData(), static_cast<Integer>(bad.size()));
    m.SetPosition(0);
    EXPECT_THROW(ReadComponentFromStream(&m, nullptr), EReadError);
    m.SetPosition(0);
    TMemoryStream text;
    EXPECT_THROW(ObjectBinaryToText(&m, &text), EReadError);
}

// Nesting deeper than any form needs is refused with the stream's error before it exhausts the
// stack: lists, components and the text form, read and converted. What was read before stays.
TEST(Filer, DeepNestingIsRefused) {
    RegisterTestClasses reg;
    const int deep = 1000000;
    auto stream = [](const QByteArray& B) {
        auto m = NewOwned<TMemoryStream>();
        m->WriteBuffer(B.constData(), static_cast<Integer>(B.size()));
        m->SetPosition(0);
        return m;
    };
    const QByteArray lists = QByteArray("TPF0") + Str("TTiny") + Str("T") + Str("Count") + Hex("0205") + Str("Deep") +
                             QByteArray(deep, char(vaList)) + QByteArray(deep, char(vaNull)) + Hex("0000");
    TOwned<TTiny> root = NewOwned<TTiny>(nullptr);
    try {
        ReadComponentFromStream(stream(lists).get(), root.get());
        ADD_FAILURE() << "deep lists were read";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stream nested too deeply"));
    }
    EXPECT_EQ(root->Count(), 5);  // read before the fault
    EXPECT_THROW(ObjectBinaryToText(stream(lists).get(), NewOwned<TMemoryStream>().get()), EReadError);

    QByteArray components("TPF0");
    for (int i = 0; i < deep / 10; ++i) components += Str("TTiny") + Str("") + Hex("00");
    components += QByteArray(2 * (deep / 10), '\0');
    EXPECT_THROW(ReadComponentFromStream(stream(components).get(), nullptr), EReadError);
    EXPECT_THROW(ObjectBinaryToText(stream(components).get(), NewOwned<TMemoryStream>().get()), EReadError);

    const QByteArray textLists = "object T: TTiny\r\n  Count = " + QByteArray(deep, '(') + "1" + QByteArray(deep, ')') +
                                 "\r\nend\r\n";
    EXPECT_THROW(ObjectTextToBinary(stream(textLists).get(), NewOwned<TMemoryStream>().get()), EParserError);
    QByteArray textObjects;
    for (int i = 0; i < deep / 10; ++i) textObjects += "object A: TTiny ";
    EXPECT_THROW(ObjectTextToBinary(stream(textObjects).get(), NewOwned<TMemoryStream>().get()), EParserError);
}

// The text of a nested stream grows with the stream, not with the square of its depth.
TEST(Filer, TextOfNestedListsIsLinear) {
    for (int depth : {10, 100}) {
        const QByteArray lists = QByteArray("TPF0") + Str("TTiny") + Str("T") + Str("Deep") +
                                 QByteArray(depth, char(vaList)) + QByteArray(depth, char(vaNull)) + Hex("0000");
        auto in = NewOwned<TMemoryStream>();
        in->WriteBuffer(lists.constData(), static_cast<Integer>(lists.size()));
        in->SetPosition(0);
        auto out = NewOwned<TMemoryStream>();
        ObjectBinaryToText(in.get(), out.get());
        EXPECT_LT(out->Size(), 200 + depth * 70) << depth;
        // And it reads back to the same nesting.
        out->SetPosition(0);
        auto back = NewOwned<TMemoryStream>();
        ObjectTextToBinary(out.get(), back.get());
        EXPECT_EQ(Bytes(*back), lists) << depth;
    }
}
