#include "grid/base/propstorevz.h"

#include "platform/rtl/inifiles.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct FreeObj {
    void operator()(TObject* o) const { o->Free(); }
};
template <class T>
using Owned = std::unique_ptr<T, FreeObj>;

// Counts live instances, to see a tree free everything it holds.
class TCountedNodeVz : public TSettingsKeeperVz {
public:
    static int Alive;
    TCountedNodeVz() { ++Alive; }
    ~TCountedNodeVz() override { --Alive; }
};
int TCountedNodeVz::Alive = 0;

TSettingsKeeperVz* ColumnNode(int ColIndex, bool WithIndex = true) {
    auto* n = New<TSettingsKeeperVz>();
    if (WithIndex) n->Add(u"ColIndex"_S, ColIndex);
    n->Add(u"Width"_S, 64);
    return n;
}

// The screen resolution for the length of a test.
struct PixelsPerInchScope {
    int Saved = Screen->PixelsPerInch();
    explicit PixelsPerInchScope(int Value) { Screen->SetPixelsPerInch(Value); }
    ~PixelsPerInchScope() { Screen->SetPixelsPerInch(Saved); }
};

// What a storage mechanism does with an interceptor: its stored published properties as texts,
// keyed by property name, and back.
template <class WriteFn>
void WriteInterceptor(TStoragePropertyInterceptor* I, WriteFn&& Write) {
    for (PPropInfo p : GetPropList(I))
        if (p->IsStored(I)) Write(p->Name, GetPropText(I, p->Name));
}

}  // namespace

TEST(SettingsKeeperVz, TypedReadsOfValues) {
    Owned<TSettingsKeeperVz> node(New<TSettingsKeeperVz>());
    node->Add(u"ColWidth"_S, 120);
    node->Add(u"Visible"_S, u"True"_S);
    node->Add(u"Rows"_S, u"42"_S);
    node->Add(u"Columns"_S, New<TSettingsKeeperVz>());

    struct Case {
        const char16_t* Key;
        bool HasString;
        const char16_t* Text;
        bool HasInteger;
        Integer Number;
    };
    const Case cases[] = {
        {u"ColWidth", false, u"", true, 120},
        {u"Visible", true, u"True", false, 0},
        {u"Rows", true, u"42", true, 42},
        {u"Columns", false, u"", false, 0},
        {u"colwidth", false, u"", false, 0},  // keys compare with case
        {u"Absent", false, u"", false, 0},
    };
    for (const Case& c : cases) {
        const String key = String::fromUtf16(c.Key);
        String text = u"junk"_S;
        Integer number = -1;
        EXPECT_EQ(node->TryGetStringValue(key, text), c.HasString) << key.toStdString();
        EXPECT_EQ(text, String::fromUtf16(c.Text)) << key.toStdString();  // emptied when absent
        EXPECT_EQ(node->TryGetIntegerValue(key, number), c.HasInteger) << key.toStdString();
        if (c.HasInteger) {
            EXPECT_EQ(number, c.Number);
        }
    }

    TSettingsKeeperVz* child = nullptr;
    EXPECT_TRUE(node->TryGetSubsettingsValue(u"Columns"_S, child));
    EXPECT_NE(child, nullptr);
    TSettingsKeeperVz* untouched = child;
    EXPECT_FALSE(node->TryGetSubsettingsValue(u"ColWidth"_S, untouched));
    EXPECT_EQ(untouched, child);
    TObject* any = nullptr;
    EXPECT_TRUE(node->TryGetValue(u"Visible"_S, any));
    ASSERT_TRUE(any && any->Is<TStringObject>());
    EXPECT_EQ(static_cast<TStringObject*>(any)->ToString(), u"True"_S);
    EXPECT_EQ(node->ToArray().size(), 4u);
}

TEST(SettingsKeeperVz, KeysDifferingInCaseAndDuplicates) {
    Owned<TSettingsKeeperVz> node(New<TSettingsKeeperVz>());
    node->Add(u"Width"_S, 1);
    node->Add(u"width"_S, 2);
    Integer v = 0;
    ASSERT_TRUE(node->TryGetIntegerValue(u"width"_S, v));
    EXPECT_EQ(v, 2);
    EXPECT_THROW(node->Add(u"Width"_S, 3), EListError);
    EXPECT_THROW(node->Add(u"Width"_S, u"x"_S), EListError);
    ASSERT_TRUE(node->TryGetIntegerValue(u"Width"_S, v));
    EXPECT_EQ(v, 1);
    EXPECT_EQ(node->ToArray().size(), 2u);
    // A refused child stays the caller's.
    auto* child = New<TSettingsKeeperVz>();
    EXPECT_THROW(node->Add(u"Width"_S, child), EListError);
    child->Free();
}

TEST(SettingsKeeperVz, FreeingTheRootFreesTheWholeTree) {
    TCountedNodeVz::Alive = 0;
    {
        Owned<TSettingsKeeperVz> root(New<TCountedNodeVz>());
        auto* child = New<TCountedNodeVz>();
        auto* grandchild = New<TCountedNodeVz>();
        grandchild->Add(u"Text"_S, u"x"_S);
        child->Add(u"Grandchild"_S, grandchild);
        root->Add(u"Child"_S, child);
        EXPECT_EQ(TCountedNodeVz::Alive, 3);
    }
    EXPECT_EQ(TCountedNodeVz::Alive, 0);
}

TEST(SettingsKeeperVz, DictionaryFreesRemovedValuesButNotExtractedOnes) {
    TCountedNodeVz::Alive = 0;
    Owned<TSettingsKeeperDicVz> dic(New<TSettingsKeeperDicVz>());
    dic->Add(u"a"_S, New<TCountedNodeVz>());
    dic->Add(u"b"_S, New<TCountedNodeVz>());
    dic->Add(u"c"_S, New<TCountedNodeVz>());
    dic->Remove(u"a"_S);
    EXPECT_EQ(TCountedNodeVz::Alive, 2);
    TObject* b = dic->Extract(u"b"_S);
    EXPECT_EQ(TCountedNodeVz::Alive, 2);
    TObject* c = nullptr;
    EXPECT_TRUE(dic->TryGetValue(u"c"_S, c));  // the index survives the removals
    EXPECT_EQ(dic->Count(), 1);
    b->Free();
    dic->Clear();
    EXPECT_EQ(TCountedNodeVz::Alive, 0);
}

TEST(SettingsKeeperVz, ComparerOrdersColumnsByColIndex) {
    Owned<TSettingsKeeperVz> columns(New<TSettingsKeeperVz>());
    columns->Add(u"Qty"_S, ColumnNode(2));
    columns->Add(u"Name"_S, ColumnNode(0, false));
    columns->Add(u"Price"_S, ColumnNode(1));
    std::vector<TSettingsPairVz> pairs = columns->ToArray();
    auto* cmp = TSettingsKeeperVzCollectionByIndexComparer::Ordinal();
    EXPECT_EQ(cmp, TSettingsKeeperVzCollectionByIndexComparer::Ordinal());
    std::sort(pairs.begin(), pairs.end(), [&](const auto& a, const auto& b) { return cmp->Compare(a, b) < 0; });
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].Key, u"Name"_S);
    EXPECT_EQ(pairs[1].Key, u"Price"_S);
    EXPECT_EQ(pairs[2].Key, u"Qty"_S);
    EXPECT_TRUE(cmp->Equals(pairs[0], pairs[0]));
    EXPECT_EQ(cmp->GetHashCode(pairs[2]), 0);

    Owned<TSettingsKeeperVz> node(New<TSettingsKeeperVz>());
    node->Add(u"Width"_S, 5);
    const TSettingsPairVz notANode = node->ToArray().front();
    EXPECT_THROW(cmp->Compare(notANode, pairs[0]), EInvalidCast);
}

TEST(PropertyInterceptorsVz, RegistryKeepsOnePairPerTargetClass) {
    auto count = [](TClass Target) {
        int n = 0;
        for (const auto& p : RegisteredClassPropertyInterceptorsVz())
            if (p.first == Target) ++n;
        return n;
    };
    auto interceptorOf = [](TClass Target) -> TClass {
        for (const auto& p : RegisteredClassPropertyInterceptorsVz())
            if (p.first == Target) return p.second;
        return nullptr;
    };
    EXPECT_EQ(interceptorOf(TCustomForm::StaticClass()), TFormStoragePropertyInterceptor::StaticClass());
    RegisterClassPropertyInterceptorVz(TCustomForm::StaticClass(), TStoragePropertyInterceptor::StaticClass());
    EXPECT_EQ(count(TCustomForm::StaticClass()), 1);
    EXPECT_EQ(interceptorOf(TCustomForm::StaticClass()), TStoragePropertyInterceptor::StaticClass());
    RegisterClassPropertyInterceptorVz(TCustomForm::StaticClass(), TFormStoragePropertyInterceptor::StaticClass());
    EXPECT_EQ(count(TCustomForm::StaticClass()), 1);
    EXPECT_EQ(interceptorOf(TCustomForm::StaticClass()), TFormStoragePropertyInterceptor::StaticClass());

    // Interceptors are made from their class reference with the target.
    Owned<TForm> form(New<TForm>(nullptr));
    Owned<TObject> made(interceptorOf(TCustomForm::StaticClass())->CreateObject(form.get()));
    ASSERT_TRUE(made->Is<TFormStoragePropertyInterceptor>());
    EXPECT_EQ(static_cast<TStoragePropertyInterceptor*>(made.get())->Target(), form.get());
    EXPECT_TRUE(static_cast<TStoragePropertyInterceptor*>(made.get())->NeedIntercept());
}

TEST(PropertyInterceptorsVz, FormPlacementIsRescaledToTheScreen) {
    Owned<TForm> form(New<TForm>(nullptr));
    form->SetBounds(100, 50, 400, 300);
    form->SetPosition(poScreenCenter);
    {
        PixelsPerInchScope dpi(96);
        Owned<TFormStoragePropertyInterceptor> saved(New<TFormStoragePropertyInterceptor>(form.get()));
        EXPECT_EQ(saved->PixelsPerInch(), 96);
        EXPECT_EQ(saved->Left(), 100);
        EXPECT_EQ(saved->Width(), 400);
    }
    PixelsPerInchScope dpi(144);
    Owned<TFormStoragePropertyInterceptor> reader(New<TFormStoragePropertyInterceptor>(form.get()));
    reader->SetPixelsPerInch(96);
    reader->SetLeft(100);
    reader->SetTop(50);
    reader->SetWidth(400);
    reader->SetHeight(301);
    reader->Readed();
    EXPECT_EQ(form->BoundsRect(), Bounds(150, 75, 600, 452));  // 301 * 1.5 = 451.5 rounds up
    EXPECT_EQ(form->Position(), poDesigned);  // a restored position is not centred again

    // Readers answer the form's placement, not what was written into the interceptor.
    reader->SetLeft(1);
    EXPECT_EQ(reader->Left(), 150);
    Owned<TFormStoragePropertyInterceptor> orphan(New<TFormStoragePropertyInterceptor>(nullptr));
    EXPECT_EQ(orphan->Width(), 0);
    orphan->Readed();  // no target: only the stored values change
    EXPECT_EQ(orphan->GetNotmalFormPlacement(), TRect());
}

TEST(PropertyInterceptorsVz, SizeAloneKeepsTheCentringRule) {
    Owned<TForm> form(New<TForm>(nullptr));
    form->SetPosition(poDesktopCenter);
    Owned<TFormStoragePropertyInterceptor> reader(New<TFormStoragePropertyInterceptor>(form.get()));
    reader->SetWidth(500);
    reader->SetHeight(200);
    reader->Readed();
    EXPECT_EQ(form->Width(), 500);
    EXPECT_EQ(form->Position(), poDesktopCenter);
}

TEST(PropertyInterceptorsVz, MaximisedFormKeepsItsStateAndGetsANormalPlacement) {
    Owned<TForm> form(New<TForm>(nullptr));
    form->SetWindowState(wsMaximized);
    Owned<TFormStoragePropertyInterceptor> reader(New<TFormStoragePropertyInterceptor>(form.get()));
    EXPECT_EQ(reader->WindowState(), wsMaximized);
    reader->SetLeft(10);
    reader->SetTop(20);
    reader->SetWidth(300);
    reader->SetHeight(200);
    reader->Readed();
    EXPECT_EQ(form->WindowState(), wsMaximized);
    EXPECT_EQ(reader->Left(), 10);
    EXPECT_EQ(reader->Width(), 300);
}

TEST(PropertyInterceptorsVz, FormPlacementRoundTripThroughIniAndRegistry) {
    QTemporaryDir dir;
    const String iniName = QDir(dir.path()).filePath(u"layout.ini"_S);
    const String regName = QDir(dir.path()).filePath(u"registry.ini"_S);
    TRegistry::SetStorageFileName(regName);

    Owned<TForm> form(New<TForm>(nullptr));
    form->SetBounds(30, 40, 640, 480);
    {
        Owned<TFormStoragePropertyInterceptor> saver(New<TFormStoragePropertyInterceptor>(form.get()));
        TMemIniFile ini(iniName);
        WriteInterceptor(saver.get(), [&](const String& Name, const String& Value) {
            ini.WriteString(u"Form1"_S, Name, Value);
        });
        ini.UpdateFile();
        TRegIniFile reg(u"Software\\Sdelka\\Layout"_S);
        WriteInterceptor(saver.get(), [&](const String& Name, const String& Value) {
            reg.WriteString(u"Form1"_S, Name, Value);
        });
    }
    {
        TMemIniFile ini(iniName);
        Owned<TStringList> keys(New<TStringList>());
        ini.ReadSection(u"Form1"_S, keys.get());
        keys->Sort();
        EXPECT_EQ(keys->CommaText(), u"Height,Left,PixelsPerInch,Top,Width"_S);  // never the write-only ones
    }

    // Restores the form from each store, after it was moved elsewhere.
    auto restore = [&](auto&& Read) {
        form->SetBounds(0, 0, 100, 100);
        Owned<TFormStoragePropertyInterceptor> reader(New<TFormStoragePropertyInterceptor>(form.get()));
        for (const char* name : {"Left", "Top", "Width", "Height", "PixelsPerInch"})
            SetPropText(reader.get(), QString::fromLatin1(name), Read(QString::fromLatin1(name)));
        reader->Readed();
        EXPECT_EQ(form->BoundsRect(), Bounds(30, 40, 640, 480));
    };
    restore([&](const String& Name) { return TMemIniFile(iniName).ReadString(u"Form1"_S, Name, String()); });
    restore([&](const String& Name) {
        return TRegIniFile(u"Software\\Sdelka\\Layout"_S).ReadString(u"Form1"_S, Name, String());
    });
    TRegistry::SetStorageFileName(String());
}
