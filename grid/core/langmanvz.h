// Language resources of the grid library: the manager that replaces the texts of registered
// components with another language's, from external language files (form files in text or
// binary form) or from language resources built into the program, chosen by a three-letter
// language abbreviation ("RUS", "ENU"). It keeps the list of available languages, picks one for
// a locale and tells registered consumers when the language changes.
//
// Built-in language resources: this platform has no executable resources, so a unit that carries
// a language resource registers it by name (RegisterLanguageResourceVz) as a form stream in text
// or binary form; names compare without regard to case, as resource names do.
#pragma once

#include "grid/core/coretoolsvz.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"

#include <QByteArray>
#include <memory>
#include <vector>

enum TLanguageResourcePlacementVz { lrpExternalVz, lrpEmbeddedVz };

using TAutoselectResourceLanguageVz = TEvent<void(TObject* Sender, String& LanguageAbbr)>;

// A component that wants to hear about language changes implements this interface (by
// inheritance); components that do not are simply not called.
class ILanguageResourceConsumerVz {
public:
    virtual ~ILanguageResourceConsumerVz() = default;
    virtual void ResourceLanguageChanged() = 0;
};

// One registered localizable component.
class TResObjectVz : public TObject {
    SDELKA_CLASS(TResObjectVz, TObject)
public:
    TComponent* RefResObject = nullptr;  // not owned
    String ResourceName;
    String ExtResourceFileName;
    String DefaultResourceLanguage;
};

class TLanguageResourceManagerVz : public TPersistent {
    SDELKA_CLASS(TLanguageResourceManagerVz, TPersistent)
public:
    TLanguageResourceManagerVz();
    ~TLanguageResourceManagerVz() override;

    TStringList* LanguageList() const { return FLanguageList.get(); }
    const String& ActiveLanguageAbbr() const { return FActiveLanguageAbbr; }
    // Activates a language of LanguageList (looked up without regard to case) and re-reads every
    // registered component; the same value again changes nothing. A language not in the list
    // raises "Language "XXX" is not supported".
    void SetActiveLanguageAbbr(const String& Value);
    const String& ResourceFolderPath() const { return FResourceFolderPath; }
    void SetResourceFolderPath(const String& Value) { FResourceFolderPath = Value; }
    TLanguageResourcePlacementVz ResourcePlacement() const { return FResourcePlacement; }
    void SetResourcePlacement(TLanguageResourcePlacementVz Value) { FResourcePlacement = Value; }
    int ResObjectCount() const { return FLocObjects->Count(); }
    TResObjectVz* GetResObject(int Index) const { return static_cast<TResObjectVz*>(FLocObjects->Items(Index)); }

    void AddLocalizableObject(TComponent* Component, const String& ResourceName, const String& ExtResourceFileName,
                              const String& DefaultResourceLanguage);
    void DeleteLocalizableObject(TComponent* Component);
    void ReadObjectResource(TResObjectVz* ResObject);
    // ResourceFolderPath/ResourceName.<abbreviation>.dfm into the component, when the file exists.
    void ReadComponentExternalResource(TComponent* Component, const String& ResourceName);
    // The built-in resource <class name>_<abbreviation> into the component, when there is one.
    void ReadComponentEmbeddedResource(TComponent* Component);
    void ReadComponentResource(TComponent* Component, const String& ResourceName);
    // A form stream in binary or text form into the component. A read error of a text form is
    // shown through the application's exception handler and the properties read before it stay.
    void ReadComponentFromStream(TComponent* Component, TStream* Stream);
    void LoadListOfAvailableLanguages(const String& BaseFileName);
    String AutoselectLanguage(LongWord LCID);
    String AutoselectLanguage();
    String GetNativeLanguageName(const String& LanguageAbbr);
    String GetSuffixForLocale(LongWord LCID);
    // Exact, case-sensitive position in LanguageList, or -1.
    int IndexOfLanguage(const String& LangID) const;

    void AddChangeNotifyConsumer(TComponent* Component, const String& DefaultResourceLanguage);
    void DeleteChangeNotifyConsumer(TComponent* Component);
    void NotifyConsumerChange(TComponent* Component);
    void NotifyAllConsumersChange();

    TAutoselectResourceLanguageVz OnAutoselectLanguage;

protected:
    virtual void RefreshLocalizableObjects();

private:
    TOwned<TStringList> FLanguageList;
    TOwned<TObjectListVz> FLocObjects;
    TOwned<TObjectListVz> FChangeNotifyConsumers;
    String FActiveLanguageAbbr;
    String FResourceFolderPath;
    TLanguageResourcePlacementVz FResourcePlacement = lrpExternalVz;
};

// The process-wide manager, created on the first call.
TLanguageResourceManagerVz* GetLanguageResourceManagerVz();

// ---- built-in language resources ----------------------------------------------------------------
// Registers (or replaces) a built-in resource: a form stream in text or binary form.
void RegisterLanguageResourceVz(const String& Name, const QByteArray& FormData);
void UnregisterLanguageResourceVz(const String& Name);
// The resource's bytes; false when there is none of that name (case-insensitive).
bool FindLanguageResourceVz(const String& Name, QByteArray& FormData);
// Resource names in registration order, upper-cased.
std::vector<String> LanguageResourceNamesVz();

// ---- locales known to the system ----------------------------------------------------------------
// The abbreviation of a locale ("RUS" for 0x0419), empty for an unknown one.
String GetLocaleAbbreviationVz(LongWord LCID);
// The locale of the calling thread (Russian in this system) and its override for tests
// (0 restores the default).
LongWord GetThreadLocaleVz();
void SetThreadLocaleVz(LongWord LCID);
