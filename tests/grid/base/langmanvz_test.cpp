#include "grid/core/langmanvz.h"
#include "grid/core/uitextsvz.h"

#include "platform/gui/dialogs.h"
#include "platform/rtl/filer.h"
#include "platform/testing/scriptedresponder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& Path, const QByteArray& Data) {
    QFile f(Path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Data);
}

const QByteArray EnglishForm =
    "object ViZevLanguageConsts: TViZevLanguageConsts\n"
    "  Language = 'English'\n"
    "  NoDataVz = 'No data'\n"
    "end\n";

// A texts component that counts the language-change calls it gets.
class TCountingTextsVz : public TViZevLanguageConsts, public ILanguageResourceConsumerVz {
    SDELKA_CLASS(TCountingTextsVz, TViZevLanguageConsts)
protected:
    explicit TCountingTextsVz(TComponent* AOwner) : TViZevLanguageConsts(AOwner) {}
    ~TCountingTextsVz() override = default;

public:
    void ResourceLanguageChanged() override { ++Changes; }
    int Changes = 0;
};

// A private manager and texts component, so the process-wide ones are left alone.
struct LangFixture : ::testing::Test {
    TLanguageResourceManagerVz* Manager = New<TLanguageResourceManagerVz>();
    TViZevLanguageConsts* Texts = New<TViZevLanguageConsts>(nullptr);
    QTemporaryDir Dir;
    ~LangFixture() override {
        Manager->Free();
        Texts->Free();
    }
    void UseFolderWith(std::initializer_list<const char*> Files) {
        for (const char* f : Files) WriteFile(QDir(Dir.path()).filePath(QString::fromLatin1(f)), EnglishForm);
        Manager->SetResourceFolderPath(Dir.path());
        Manager->LoadListOfAvailableLanguages(u"ViZevLangConsts"_S);
    }
};

}  // namespace

TEST(UiTextsVz, BuiltInTextsAreTheRussianOnes) {
    TViZevLanguageConsts* t = GetViZevLanguageConsts();
    EXPECT_EQ(t, GetViZevLanguageConsts());
    EXPECT_EQ(t->Language(), u"Russian"_S);
    EXPECT_TRUE(t->MemoEditWin_Caption().isEmpty());
    EXPECT_EQ(t->DuplicateVarNameVz(), u"Переменная с именем '%s' уже присутствует в Коллекции"_S);
    EXPECT_EQ(t->FindDialogStringNotFoundMessage(), u"Строка \"%s\" не найдена."_S);
    EXPECT_EQ(t->CancelButtonVz(), u"Отмена"_S);
    EXPECT_EQ(t->GridSelectionInfo_Evg(), u"Average"_S);
    EXPECT_EQ(t->PrintPageSetupDialog_PrNormalSize(), u"% от натуральной величины"_S);
    // "Cегодня" starts with the Latin capital C.
    ASSERT_FALSE(t->TodayVz().isEmpty());
    EXPECT_EQ(t->TodayVz().at(0).unicode(), u'C');
    EXPECT_EQ(t->TodayVz().mid(1), u"егодня"_S);
}

TEST(UiTextsVz, EveryTextIsAPublishedStringPropertyInDeclarationOrder) {
    const TPropList& props = GetPropList(TViZevLanguageConsts::StaticClass());
    std::vector<String> own;
    for (PPropInfo p : props)
        if (p->DeclaringClass == TViZevLanguageConsts::StaticClass()) {
            EXPECT_EQ(p->Kind, pkString) << p->Name.toStdString();
            own.push_back(p->Name);
        }
    ASSERT_EQ(own.size(), 250u);
    EXPECT_EQ(own.front(), u"Language"_S);
    EXPECT_EQ(own[7], u"PageOfPages"_S);
    EXPECT_EQ(own.back(), u"MemoEditWin_Caption"_S);
    // 249 texts are set; only the memo window's caption is empty.
    int empty = 0;
    for (const String& name : own)
        if (GetStrProp(GetViZevLanguageConsts(), name).isEmpty()) ++empty;
    EXPECT_EQ(empty, 1);
}

TEST(UiTextsVz, ProcessTextsAreRegisteredWithTheManager) {
    TViZevLanguageConsts* t = GetViZevLanguageConsts();
    TLanguageResourceManagerVz* m = GetLanguageResourceManagerVz();
    bool found = false;
    for (int i = 0; i < m->ResObjectCount(); ++i) {
        TResObjectVz* e = m->GetResObject(i);
        if (e->RefResObject != t) continue;
        found = true;
        EXPECT_EQ(e->ResourceName, u"TViZevLanguageConsts"_S);
        EXPECT_EQ(e->ExtResourceFileName, u"ViZevLangConsts"_S);
        EXPECT_EQ(e->DefaultResourceLanguage, u"ENU"_S);
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(m->ActiveLanguageAbbr().isEmpty());
}

TEST_F(LangFixture, ExternalFilesListKnownLanguagesOnly) {
    UseFolderWith({"ViZevLangConsts.rus.dfm", "ViZevLangConsts.ENU.dfm", "ViZevLangConsts.xyz.dfm",
                   "Other.deu.dfm", "ViZevLangConsts.deut.dfm"});
    QStringList list;
    for (int i = 0; i < Manager->LanguageList()->Count(); ++i) list << Manager->LanguageList()->Strings(i);
    list.sort();
    EXPECT_EQ(list, (QStringList{u"ENU"_S, u"RUS"_S}));
    EXPECT_EQ(Manager->IndexOfLanguage(u"RUS"_S) >= 0, true);
    EXPECT_EQ(Manager->IndexOfLanguage(u"rus"_S), -1);  // exact comparison
}

TEST_F(LangFixture, EmptyFolderPathBecomesResUnderTheCurrentDirectory) {
    const QString old = QDir::currentPath();
    QDir(Dir.path()).mkdir(u"Res"_S);
    WriteFile(QDir(Dir.path()).filePath(u"Res/ViZevLangConsts.rus.dfm"_S), EnglishForm);
    QDir::setCurrent(Dir.path());
    Manager->LoadListOfAvailableLanguages(u"ViZevLangConsts"_S);
    QDir::setCurrent(old);
    EXPECT_EQ(QDir(Manager->ResourceFolderPath()), QDir(QDir(Dir.path()).filePath(u"Res"_S)));
    ASSERT_EQ(Manager->LanguageList()->Count(), 1);
    EXPECT_EQ(Manager->LanguageList()->Strings(0), u"RUS"_S);
}

TEST_F(LangFixture, ActivatingALanguageReadsItsFileOnce) {
    UseFolderWith({"ViZevLangConsts.rus.dfm"});
    Manager->AddLocalizableObject(Texts, u"TViZevLanguageConsts"_S, u"ViZevLangConsts"_S, u"ENU"_S);
    EXPECT_EQ(Texts->NoDataVz(), u"Нет данных"_S);  // no language active: nothing read

    Manager->SetActiveLanguageAbbr(u"rus"_S);  // the list lookup ignores case
    EXPECT_EQ(Manager->ActiveLanguageAbbr(), u"rus"_S);
    EXPECT_EQ(Texts->Language(), u"English"_S);
    EXPECT_EQ(Texts->NoDataVz(), u"No data"_S);
    EXPECT_EQ(Texts->CancelButtonVz(), u"Отмена"_S);  // texts the file lacks stay

    Texts->SetNoDataVz(u"changed"_S);
    Manager->SetActiveLanguageAbbr(u"rus"_S);  // the same value: nothing is read again
    EXPECT_EQ(Texts->NoDataVz(), u"changed"_S);
}

TEST_F(LangFixture, ActivationErrors) {
    UseFolderWith({"ViZevLangConsts.rus.dfm"});
    try {
        Manager->SetActiveLanguageAbbr(u"DEU"_S);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Language \"DEU\" is not supported"_S);
    }
    EXPECT_TRUE(Manager->ActiveLanguageAbbr().isEmpty());
    try {
        Manager->ReadComponentExternalResource(Texts, u"ViZevLangConsts"_S);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"ActiveLanguage is not defined"_S);
    }
    TStringStream junk(u"no form here"_S);
    try {
        Manager->ReadComponentFromStream(Texts, &junk);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Invalid stream format."_S);
    }
}

TEST_F(LangFixture, MissingFileIsSilentAndConsumersAreStillNotified) {
    UseFolderWith({"ViZevLangConsts.rus.dfm"});
    auto* consumer = New<TCountingTextsVz>(nullptr);
    Manager->AddLocalizableObject(Texts, u"TViZevLanguageConsts"_S, u"NoSuchFile"_S, u"ENU"_S);
    Manager->AddChangeNotifyConsumer(consumer, u"ENU"_S);
    EXPECT_EQ(consumer->Changes, 0);  // no active language yet
    Manager->SetActiveLanguageAbbr(u"RUS"_S);
    EXPECT_EQ(Texts->Language(), u"Russian"_S);
    EXPECT_EQ(consumer->Changes, 1);
    // A consumer added while another language than its own is active hears at once.
    Manager->AddChangeNotifyConsumer(consumer, u"ENU"_S);
    EXPECT_EQ(consumer->Changes, 2);
    Manager->AddChangeNotifyConsumer(consumer, u"RUS"_S);
    EXPECT_EQ(consumer->Changes, 2);
    Manager->DeleteChangeNotifyConsumer(consumer);
    Manager->DeleteChangeNotifyConsumer(consumer);
    consumer->Free();
}

TEST_F(LangFixture, ReadErrorInATextFormIsShownAndEarlierTextsStay) {
    TScriptedResponder responder;
    TResponderScope scope(&responder);
    TStringStream form(u"object ViZevLanguageConsts: TViZevLanguageConsts\n"
                       "  NoDataVz = 'Empty'\n"
                       "  NoSuchText = 'x'\n"
                       "  CancelButtonVz = 'Cancel'\n"
                       "end\n"_S);
    Manager->ReadComponentFromStream(Texts, &form);
    EXPECT_EQ(responder.MessageCount(), 1);
    EXPECT_EQ(Texts->NoDataVz(), u"Empty"_S);
    EXPECT_EQ(Texts->CancelButtonVz(), u"Отмена"_S);
}

TEST_F(LangFixture, BinaryFormStreamsAreReadToo) {
    auto* source = New<TViZevLanguageConsts>(nullptr);
    source->SetName(u"ViZevLanguageConsts"_S);
    source->SetOKButtonVz(u"Хорошо"_S);
    TMemoryStream binary;
    WriteComponentToStream(&binary, source);
    source->Free();
    binary.SetPosition(0);
    Manager->ReadComponentFromStream(Texts, &binary);
    EXPECT_EQ(Texts->OKButtonVz(), u"Хорошо"_S);
}

TEST_F(LangFixture, EmbeddedResourcesAreListedAndReadByClassName) {
    RegisterLanguageResourceVz(u"TVIZEVLANGUAGECONSTS_RUS"_S, EnglishForm);
    RegisterLanguageResourceVz(u"TViZevLanguageConsts_DEU"_S,
                               "object ViZevLanguageConsts: TViZevLanguageConsts\n  Language = 'German'\nend\n");
    RegisterLanguageResourceVz(u"TVIZEVLANGUAGECONSTS"_S, EnglishForm);
    RegisterLanguageResourceVz(u"TVIZEVLANGUAGECONSTS_RUSX"_S, EnglishForm);
    Manager->SetResourcePlacement(lrpEmbeddedVz);
    Manager->LoadListOfAvailableLanguages(u"TViZevLanguageConsts"_S);
    ASSERT_EQ(Manager->LanguageList()->Count(), 2);
    EXPECT_EQ(Manager->LanguageList()->Strings(0), u"RUS"_S);
    EXPECT_EQ(Manager->LanguageList()->Strings(1), u"DEU"_S);

    // Resources are read by the component's own class name.
    RegisterLanguageResourceVz(u"TCountingTextsVz_RUS"_S, EnglishForm);
    RegisterLanguageResourceVz(u"TCountingTextsVz_DEU"_S,
                               "object ViZevLanguageConsts: TViZevLanguageConsts\n  Language = 'German'\nend\n");
    auto* consumer = New<TCountingTextsVz>(nullptr);
    // The built-in texts are in the default language: not read on registration ...
    Manager->SetActiveLanguageAbbr(u"DEU"_S);
    Manager->AddLocalizableObject(consumer, u"x"_S, u"x"_S, u"DEU"_S);
    EXPECT_EQ(consumer->Language(), u"Russian"_S);
    // ... but read when another language is activated, and told about it.
    Manager->SetActiveLanguageAbbr(u"RUS"_S);
    EXPECT_EQ(consumer->Language(), u"English"_S);
    EXPECT_GE(consumer->Changes, 1);
    Manager->SetActiveLanguageAbbr(u"DEU"_S);  // the refresh reads every entry
    EXPECT_EQ(consumer->Language(), u"German"_S);

    Manager->DeleteLocalizableObject(consumer);
    consumer->Free();
    for (const char16_t* n : {u"TVIZEVLANGUAGECONSTS_RUS", u"TViZevLanguageConsts_DEU", u"TVIZEVLANGUAGECONSTS",
                              u"TVIZEVLANGUAGECONSTS_RUSX", u"TCountingTextsVz_RUS", u"TCountingTextsVz_DEU"})
        UnregisterLanguageResourceVz(String::fromUtf16(n));
}

TEST_F(LangFixture, RegisteringAndDeletingLocalizableObjects) {
    auto* other = New<TViZevLanguageConsts>(nullptr);
    Manager->AddLocalizableObject(Texts, u"a"_S, u"a"_S, u"ENU"_S);
    Manager->AddLocalizableObject(other, u"b"_S, u"b"_S, u"ENU"_S);
    Manager->AddLocalizableObject(Texts, u"c"_S, u"c"_S, u"ENU"_S);
    EXPECT_EQ(Manager->ResObjectCount(), 3);
    Manager->DeleteLocalizableObject(Texts);
    ASSERT_EQ(Manager->ResObjectCount(), 1);
    EXPECT_EQ(Manager->GetResObject(0)->RefResObject, other);
    Manager->DeleteLocalizableObject(other);
    other->Free();
}

TEST_F(LangFixture, AutoselectLanguageForALocale) {
    struct Case {
        std::initializer_list<const char16_t*> List;
        LongWord LCID;
        const char16_t* Result;
    };
    const Case cases[] = {
        {{u"RUS", u"ENU"}, 0x0419, u"RUS"},
        {{u"DEU", u"ENU"}, 0x0807, u"DEU"},  // German (Switzerland): its primary language
        {{u"DES", u"DEU"}, 0x0807, u"DES"},
        {{u"FRA", u"ENU"}, 0x0419, u"ENU"},
        {{u"FRA"}, 0x0419, u""},
        {{}, 0x0419, u""},
    };
    for (const Case& c : cases) {
        Manager->LanguageList()->Clear();
        for (const char16_t* a : c.List) Manager->LanguageList()->Add(String::fromUtf16(a));
        EXPECT_EQ(Manager->AutoselectLanguage(c.LCID), String::fromUtf16(c.Result)) << c.LCID;
    }
    Manager->LanguageList()->Clear();
    Manager->LanguageList()->Add(u"RUS"_S);
    EXPECT_EQ(Manager->AutoselectLanguage(), u"RUS"_S);  // the thread's locale is Russian
    Manager->OnAutoselectLanguage = [](TObject*, String& Abbr) { Abbr = u"ENU"_S; };
    EXPECT_EQ(Manager->AutoselectLanguage(), u"ENU"_S);
    EXPECT_EQ(Manager->GetNativeLanguageName(u"RUS"_S), u"русский"_S);
    EXPECT_EQ(Manager->GetNativeLanguageName(u"XYZ"_S), String());
    EXPECT_EQ(Manager->GetSuffixForLocale(0x0409), u"ENU"_S);
}
