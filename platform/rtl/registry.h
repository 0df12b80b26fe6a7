// The registry, emulated over one INI-format file in the user's configuration folder
// (<GenericConfigLocation>/sdelka/registry.ini; the environment variable SDELKA_REGISTRY_FILE or
// TRegistry::SetStorageFileName put it elsewhere, e.g. for tests).
//
// Each key is a section named by its full path from the root ("HKEY_CURRENT_USER\Software\X");
// a key exists when its section or a section of one of its sub-keys exists. Values are the
// section's entries: a text as itself (quoted, with \\ \" \n \r \t escapes, when it would read
// back differently: blanks at its ends, line breaks, a leading quote or a type prefix), an
// integer as "dword:" and eight hex digits, bytes as "hex:" and comma-separated hex pairs. The
// default (unnamed) value is stored under the name "@". Every change is written through to the
// file at once, under one process-wide lock.
#pragma once

#include "platform/rtl/classes.h"

#include <QByteArray>

class TStrings;

SDELKA_EXCEPTION(ERegistryException, Exception)

using HKEY = std::uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

constexpr LongWord KEY_READ = 0x20019;
constexpr LongWord KEY_WRITE = 0x20006;
constexpr LongWord KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    Integer DataSize = 0;
};

class TRegistry : public TObject {
    SDELKA_CLASS(TRegistry, TObject)
public:
    TRegistry() = default;
    explicit TRegistry(LongWord AAccess) : FAccess(AAccess) {}
    ~TRegistry() override = default;

    // The file behind the registry; an empty name returns to the default.
    static void SetStorageFileName(const String& FileName);
    static String StorageFileName();

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value);
    // The open key's path below the root, without a leading backslash ("" for the root itself).
    const String& CurrentPath() const { return FCurrentPath; }
    bool HasCurrentKey() const { return FOpen; }
    LongWord Access() const { return FAccess; }
    void SetAccess(LongWord Value) { FAccess = Value; }

    // A key path starting with "\" is taken from the root, otherwise from the open key.
    bool OpenKey(const String& Key, bool CanCreate);
    bool OpenKeyReadOnly(const String& Key);
    void CloseKey();
    bool CreateKey(const String& Key);
    bool DeleteKey(const String& Key);
    bool KeyExists(const String& Key);
    bool HasSubKeys();
    void GetKeyNames(TStrings* Strings);

    bool ValueExists(const String& Name);
    bool DeleteValue(const String& Name);
    void GetValueNames(TStrings* Strings);
    TRegDataType GetDataType(const String& ValueName);
    // -1 when the value does not exist.
    Integer GetDataSize(const String& ValueName);
    bool GetDataInfo(const String& ValueName, TRegDataInfo& Value);

    // Reading a missing value raises ERegistryException "Failed to get data for '%s'" (ReadString
    // answers '' instead); a value of another type "Invalid data type for '%s'". Writing without
    // an open key raises "Failed to set data for '%s'".
    String ReadString(const String& Name);
    void WriteString(const String& Name, const String& Value);
    void WriteExpandString(const String& Name, const String& Value);
    Integer ReadInteger(const String& Name);
    void WriteInteger(const String& Name, Integer Value);
    bool ReadBool(const String& Name);
    void WriteBool(const String& Name, bool Value);
    // Copies at most BufSize bytes; answers the count. A buffer smaller than the value raises
    // "Failed to get data for '%s'".
    Integer ReadBinaryData(const String& Name, void* Buffer, Integer BufSize);
    void WriteBinaryData(const String& Name, const void* Buffer, Integer BufSize);
    QByteArray ReadBinary(const String& Name);

protected:
    String FullPath(const String& Key) const;  // section name of a key path
    String CurrentSection() const { return FullPath(u"\\"_S + FCurrentPath); }
    bool ReadRaw(const String& Name, String& Raw);
    void WriteRaw(const String& Name, const String& Raw);

private:
    HKEY FRootKey = HKEY_CURRENT_USER;
    String FCurrentPath;
    bool FOpen = false;
    LongWord FAccess = KEY_ALL_ACCESS;
};

// The registry with INI-file calls: the "file name" is a key below HKEY_CURRENT_USER, a
// "section" a sub-key of it (empty: the key itself), an "ident" a value. Integers and booleans
// are written as texts and read from either form.
class TRegIniFile : public TRegistry {
    SDELKA_CLASS(TRegIniFile, TRegistry)
public:
    explicit TRegIniFile(const String& FileName, LongWord AAccess = KEY_ALL_ACCESS);
    using TRegistry::DeleteKey;
    using TRegistry::ValueExists;
    const String& FileName() const { return FFileName; }

    String ReadString(const String& Section, const String& Ident, const String& Default);
    void WriteString(const String& Section, const String& Ident, const String& Value);
    Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
    void WriteInteger(const String& Section, const String& Ident, Integer Value);
    bool ReadBool(const String& Section, const String& Ident, bool Default);
    void WriteBool(const String& Section, const String& Ident, bool Value);
    void ReadSection(const String& Section, TStrings* Strings);
    void ReadSections(TStrings* Strings);
    void ReadSectionValues(const String& Section, TStrings* Strings);
    void EraseSection(const String& Section);
    void DeleteKey(const String& Section, const String& Ident);
    bool SectionExists(const String& Section);
    bool ValueExists(const String& Section, const String& Ident);

private:
    String FFileName;
    String SectionPath(const String& Section) const;
};
