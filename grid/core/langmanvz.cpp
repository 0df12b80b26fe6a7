#include "grid/core/langmanvz.h"

#include "platform/rtl/apphooks.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr unsigned WM_WININICHANGE_VZ = 26;

// ---- locales known to the system: id, abbreviation, name in the language itself ----------------
struct TLocaleEntry {
    LongWord LCID;
    const char* Abbr;
    const char16_t* NativeName;
};

// The first entry of a primary language stands for that language alone (the neutral locale).
const TLocaleEntry Locales[] = {
    {0x0419, "RUS", u"русский"},     {0x0819, "RUM", u"русский"},
    {0x0409, "ENU", u"English"},     {0x0809, "ENG", u"English"},
    {0x0407, "DEU", u"Deutsch"},     {0x0807, "DES", u"Deutsch"},
    {0x040C, "FRA", u"français"},    {0x080C, "FRB", u"français"},
    {0x0422, "UKR", u"українська"},  {0x0423, "BEL", u"беларуская"},
    {0x043F, "KKZ", u"қазақ тілі"},  {0x0410, "ITA", u"italiano"},
    {0x040A, "ESP", u"español"},     {0x0C0A, "ESN", u"español"},
    {0x0415, "PLK", u"polski"},      {0x0405, "CSY", u"čeština"},
    {0x041F, "TRK", u"Türkçe"},      {0x0411, "JPN", u"日本語"},
    {0x0804, "CHS", u"中文"},
};

const TLocaleEntry* FindLocale(LongWord LCID) {
    for (const auto& e : Locales)
        if (e.LCID == LCID) return &e;
    if ((LCID & ~0x3FFu) == 0) {  // a primary language alone
        for (const auto& e : Locales)
            if ((e.LCID & 0x3FFu) == LCID) return &e;
    }
    return nullptr;
}

bool IsInstalledLanguageExt(const String& Ext) {
    for (const auto& e : Locales)
        if (Ext == QString::fromLatin1(e.Abbr)) return true;
    return false;
}

LongWord ThreadLocaleOverride = 0;

// ---- built-in language resources ----------------------------------------------------------------
struct TResourceEntry {
    String Name;
    QByteArray Data;
};

std::vector<TResourceEntry>& Resources() {
    static std::vector<TResourceEntry> list;
    return list;
}

int IndexOfResource(const String& Name) {
    auto& list = Resources();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].Name.compare(Name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

// Upper-cases the ASCII letters only.
String UpperAscii(const String& S) {
    return UpperCase(S);
}

// The file in Folder whose name equals FileName, in any letter case (language files are looked up
// the way a case-insensitive file system finds them); empty when there is none.
String FindFileAnyCase(const String& Folder, const String& FileName) {
    const String exact = QDir(Folder).filePath(FileName);
    if (QFileInfo(exact).isFile()) return exact;
    const QStringList names = QDir(Folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const String& n : names)
        if (n.compare(FileName, Qt::CaseInsensitive) == 0) return QDir(Folder).filePath(n);
    return String();
}

}  // namespace

// ---- TLanguageResourceManagerVz -----------------------------------------------------------------

TLanguageResourceManagerVz::TLanguageResourceManagerVz()
    : FLanguageList(NewOwned<TStringList>()),
      FLocObjects(NewOwned<TObjectListVz>()),
      FChangeNotifyConsumers(NewOwned<TObjectListVz>()) {}

TLanguageResourceManagerVz::~TLanguageResourceManagerVz() {
    // Entries still registered are the manager's own records; the components are not touched.
    for (int i = FLocObjects->Count() - 1; i >= 0; --i) FLocObjects->Items(i)->Free();
}

void TLanguageResourceManagerVz::SetActiveLanguageAbbr(const String& Value) {
    if (Value == FActiveLanguageAbbr) return;
    if (FLanguageList->IndexOf(Value) < 0)
        throw Exception(QStringLiteral("Language \"") + Value + QStringLiteral("\" is not supported"));
    FActiveLanguageAbbr = Value;
    RefreshLocalizableObjects();
}

void TLanguageResourceManagerVz::RefreshLocalizableObjects() {
    for (int i = 0; i < FLocObjects->Count(); ++i)
        if (!FActiveLanguageAbbr.isEmpty()) ReadObjectResource(GetResObject(i));
    NotifyAllConsumersChange();
}

void TLanguageResourceManagerVz::AddLocalizableObject(TComponent* Component, const String& ResourceName,
                                                      const String& ExtResourceFileName,
                                                      const String& DefaultResourceLanguage) {
    TResObjectVz* entry = New<TResObjectVz>();
    entry->RefResObject = Component;
    entry->ResourceName = ResourceName;
    entry->ExtResourceFileName = ExtResourceFileName;
    entry->DefaultResourceLanguage = DefaultResourceLanguage;
    FLocObjects->Add(entry);
    if (!FActiveLanguageAbbr.isEmpty() && FActiveLanguageAbbr != DefaultResourceLanguage) ReadObjectResource(entry);
}

void TLanguageResourceManagerVz::DeleteLocalizableObject(TComponent* Component) {
    for (int i = FLocObjects->Count() - 1; i >= 0; --i) {
        TResObjectVz* entry = GetResObject(i);
        if (entry->RefResObject != Component) continue;
        FLocObjects->Delete(i);
        entry->Free();
    }
}

void TLanguageResourceManagerVz::ReadObjectResource(TResObjectVz* ResObject) {
    if (FResourcePlacement == lrpEmbeddedVz) ReadComponentEmbeddedResource(ResObject->RefResObject);
    else ReadComponentExternalResource(ResObject->RefResObject, ResObject->ExtResourceFileName);
}

void TLanguageResourceManagerVz::ReadComponentExternalResource(TComponent* Component, const String& ResourceName) {
    if (FActiveLanguageAbbr.isEmpty()) throw Exception(QStringLiteral("ActiveLanguage is not defined"));
    const String fileName = FindFileAnyCase(FResourceFolderPath,
                                            ResourceName + u"."_S + FActiveLanguageAbbr + u".dfm"_S);
    if (fileName.isEmpty()) return;
    TFileStream stream(fileName, fmOpenRead);
    ReadComponentFromStream(Component, &stream);
}

void TLanguageResourceManagerVz::ReadComponentEmbeddedResource(TComponent* Component) {
    ReadComponentResource(Component, Component->ClassName() + u"_"_S + FActiveLanguageAbbr);
}

void TLanguageResourceManagerVz::ReadComponentResource(TComponent* Component, const String& ResourceName) {
    QByteArray data;
    if (!FindLanguageResourceVz(ResourceName, data)) return;
    TBytesStream stream(TBytes(data.begin(), data.end()));
    ReadComponentFromStream(Component, &stream);
    if (auto* consumer = dynamic_cast<ILanguageResourceConsumerVz*>(Component)) consumer->ResourceLanguageChanged();
}

void TLanguageResourceManagerVz::ReadComponentFromStream(TComponent* Component, TStream* Stream) {
    switch (TestStreamFormat(Stream)) {
    case sofBinary:
        ::ReadComponentFromStream(Stream, Component);
        return;
    case sofText:
    case sofUTF8Text: {
        TMemoryStream binary;
        ObjectTextToBinary(Stream, &binary);
        binary.SetPosition(0);
        try {
            ::ReadComponentFromStream(&binary, Component);
        } catch (const EReadError&) {
            if (ApplicationHandleException) ApplicationHandleException(this);
        }
        return;
    }
    default:
        throw Exception(QStringLiteral("Invalid stream format."));
    }
}

void TLanguageResourceManagerVz::LoadListOfAvailableLanguages(const String& BaseFileName) {
    FLanguageList->Clear();
    if (FResourcePlacement == lrpEmbeddedVz) {
        const String prefix = AnsiUpperCase(BaseFileName) + u"_"_S;
        for (const String& name : LanguageResourceNamesVz())
            if (name.contains(prefix) && name.size() == prefix.size() + 3) FLanguageList->Add(name.right(3));
        return;
    }
    if (FResourcePlacement == lrpExternalVz && FResourceFolderPath.isEmpty())
        FResourceFolderPath = QDir(QDir::currentPath()).filePath(QStringLiteral("Res"));
    QDir dir(FResourceFolderPath);
    const QStringList files = dir.entryList({BaseFileName + u".???.dfm"_S},
                                            QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const String& file : files) {
        const String stem = QFileInfo(file).completeBaseName();  // without the last extension
        const qsizetype dot = stem.lastIndexOf(u'.');
        if (dot < 0) continue;
        const String ext = UpperAscii(stem.mid(dot + 1));
        if (IsInstalledLanguageExt(ext)) FLanguageList->Add(ext);
    }
}

String TLanguageResourceManagerVz::AutoselectLanguage(LongWord LCID) {
    const String own = GetLocaleAbbreviationVz(LCID);
    if (!own.isEmpty() && FLanguageList->IndexOf(own) >= 0) return own;
    const String primary = GetLocaleAbbreviationVz(LCID & 0x3FFu);
    if (!primary.isEmpty() && FLanguageList->IndexOf(primary) >= 0) return primary;
    if (FLanguageList->Count() > 0 && FLanguageList->IndexOf(QStringLiteral("ENU")) >= 0) return QStringLiteral("ENU");
    return String();
}

String TLanguageResourceManagerVz::AutoselectLanguage() {
    String result = AutoselectLanguage(GetThreadLocaleVz());
    if (OnAutoselectLanguage) OnAutoselectLanguage(this, result);
    return result;
}

String TLanguageResourceManagerVz::GetNativeLanguageName(const String& LanguageAbbr) {
    for (const auto& e : Locales)
        if (LanguageAbbr == QString::fromLatin1(e.Abbr)) return QString::fromUtf16(e.NativeName);
    return String();
}

String TLanguageResourceManagerVz::GetSuffixForLocale(LongWord LCID) {
    for (const auto& e : Locales)
        if (e.LCID == LCID) return QString::fromLatin1(e.Abbr);
    return String();
}

int TLanguageResourceManagerVz::IndexOfLanguage(const String& LangID) const {
    for (int i = 0; i < FLanguageList->Count(); ++i)
        if (FLanguageList->Strings(i) == LangID) return i;
    return -1;
}

void TLanguageResourceManagerVz::AddChangeNotifyConsumer(TComponent* Component, const String& DefaultResourceLanguage) {
    FChangeNotifyConsumers->Add(Component);
    if (!FActiveLanguageAbbr.isEmpty() && FActiveLanguageAbbr != DefaultResourceLanguage) NotifyConsumerChange(Component);
}

void TLanguageResourceManagerVz::DeleteChangeNotifyConsumer(TComponent* Component) {
    FChangeNotifyConsumers->Remove(Component);
}

void TLanguageResourceManagerVz::NotifyConsumerChange(TComponent* Component) {
    if (auto* consumer = dynamic_cast<ILanguageResourceConsumerVz*>(Component)) consumer->ResourceLanguageChanged();
}

void TLanguageResourceManagerVz::NotifyAllConsumersChange() {
    for (int i = 0; i < FChangeNotifyConsumers->Count(); ++i)
        NotifyConsumerChange(static_cast<TComponent*>(FChangeNotifyConsumers->Items(i)));
    if (ApplicationBroadcastToForms) ApplicationBroadcastToForms(WM_WININICHANGE_VZ);
}

TLanguageResourceManagerVz* GetLanguageResourceManagerVz() {
    static std::unique_ptr<TLanguageResourceManagerVz, void (*)(TLanguageResourceManagerVz*)> manager(
        New<TLanguageResourceManagerVz>(), [](TLanguageResourceManagerVz* m) { m->Free(); });
    return manager.get();
}

// ---- built-in language resources ----------------------------------------------------------------

void RegisterLanguageResourceVz(const String& Name, const QByteArray& FormData) {
    const int i = IndexOfResource(Name);
    if (i >= 0) Resources()[static_cast<std::size_t>(i)].Data = FormData;
    else Resources().push_back({Name, FormData});
}

void UnregisterLanguageResourceVz(const String& Name) {
    const int i = IndexOfResource(Name);
    if (i >= 0) Resources().erase(Resources().begin() + i);
}

bool FindLanguageResourceVz(const String& Name, QByteArray& FormData) {
    const int i = IndexOfResource(Name);
    if (i < 0) return false;
    FormData = Resources()[static_cast<std::size_t>(i)].Data;
    return true;
}

std::vector<String> LanguageResourceNamesVz() {
    std::vector<String> names;
    for (const auto& r : Resources()) names.push_back(r.Name.toUpper());
    return names;
}

// ---- locales ------------------------------------------------------------------------------------

String GetLocaleAbbreviationVz(LongWord LCID) {
    const TLocaleEntry* e = FindLocale(LCID);
    return e ? QString::fromLatin1(e->Abbr) : String();
}

LongWord GetThreadLocaleVz() {
    return ThreadLocaleOverride ? ThreadLocaleOverride : 0x0419;
}

void SetThreadLocaleVz(LongWord LCID) {
    ThreadLocaleOverride = LCID;
}
