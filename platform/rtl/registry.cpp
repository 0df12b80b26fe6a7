#include "platform/rtl/registry.h"

#include "platform/rtl/inifiles.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"

#include <QStandardPaths>
#include <mutex>

namespace {

std::recursive_mutex& StoreLock() {
    static std::recursive_mutex m;
    return m;
}

String& StorageOverride() {
    static String s;
    return s;
}

String RootName(HKEY k) {
    switch (k) {
        case HKEY_CLASSES_ROOT: return QStringLiteral("HKEY_CLASSES_ROOT");
        case HKEY_CURRENT_USER: return QStringLiteral("HKEY_CURRENT_USER");
        case HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
        case HKEY_USERS: return QStringLiteral("HKEY_USERS");
        case HKEY_CURRENT_CONFIG: return QStringLiteral("HKEY_CURRENT_CONFIG");
        default: return QStringLiteral("HKEY_%1").arg(k, 8, 16, QChar(u'0'));
    }
}

String NormalisePath(const String& path) {
    QStringList parts;
    for (const String& p : path.split(u'\\', Qt::SkipEmptyParts)) parts << p.trimmed();
    return parts.join(u'\\');
}

// One section lookup over the file; every call loads it (another instance may have written).
TIniLines LoadStore() {
    TIniLines l;
    l.LoadFromFile(TRegistry::StorageFileName());
    return l;
}

bool StartsWithKey(const String& section, const String& key) {
    return section.size() > key.size() && section[key.size()] == u'\\' &&
           section.left(key.size()).compare(key, Qt::CaseInsensitive) == 0;
}

bool KeyExistsIn(const TIniLines& l, const String& section) {
    if (!section.contains(u'\\')) return true;  // a root key
    for (const String& s : l.Sections())
        if (s.compare(section, Qt::CaseInsensitive) == 0 || StartsWithKey(s, section)) return true;
    return false;
}

String StoredName(const String& name) { return name.isEmpty() ? QStringLiteral("@") : name; }

// Value text encoding (see the header).
String EncodeString(const String& v) {
    bool plain = !v.isEmpty() && v.trimmed() == v && !v.startsWith(u'"') && !v.contains(u'\n') && !v.contains(u'\r') &&
                 !v.contains(u'\t') && !v.startsWith(QStringLiteral("dword:")) && !v.startsWith(QStringLiteral("hex:"));
    if (v.isEmpty() || plain) return v;
    String out = QStringLiteral("\"");
    for (QChar c : v) {
        switch (c.unicode()) {
            case u'\\': out += QStringLiteral("\\\\"); break;
            case u'"': out += QStringLiteral("\\\""); break;
            case u'\n': out += QStringLiteral("\\n"); break;
            case u'\r': out += QStringLiteral("\\r"); break;
            case u'\t': out += QStringLiteral("\\t"); break;
            default: out += c;
        }
    }
    return out + u'"';
}

String DecodeString(const String& raw) {
    if (raw.size() < 2 || !raw.startsWith(u'"') || !raw.endsWith(u'"')) return raw;
    String out;
    for (int i = 1; i < raw.size() - 1; ++i) {
        QChar c = raw[i];
        if (c == u'\\' && i + 1 < raw.size() - 1) {
            QChar n = raw[++i];
            out += n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n == u't' ? QChar(u'\t') : n;
        } else {
            out += c;
        }
    }
    return out;
}

TRegDataType TypeOf(const String& raw) {
    if (raw.startsWith(QStringLiteral("dword:"))) return rdInteger;
    if (raw.startsWith(QStringLiteral("hex:"))) return rdBinary;
    return rdString;
}

QByteArray DecodeBinary(const String& raw) {
    QByteArray hex = raw.mid(4).remove(u',').trimmed().toLatin1();
    return QByteArray::fromHex(hex);
}

}  // namespace

void TRegistry::SetStorageFileName(const String& FileName) {
    std::lock_guard g(StoreLock());
    StorageOverride() = FileName;
}

String TRegistry::StorageFileName() {
    std::lock_guard g(StoreLock());
    if (!StorageOverride().isEmpty()) return StorageOverride();
    QByteArray env = qgetenv("SDELKA_REGISTRY_FILE");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/sdelka/registry.ini");
}

void TRegistry::SetRootKey(HKEY Value) {
    CloseKey();
    FRootKey = Value;
}

String TRegistry::FullPath(const String& Key) const {
    String path = Key.startsWith(u'\\') ? Key : (FOpen && !FCurrentPath.isEmpty() ? FCurrentPath + u'\\' + Key : Key);
    path = NormalisePath(path);
    return path.isEmpty() ? RootName(FRootKey) : RootName(FRootKey) + u'\\' + path;
}

bool TRegistry::OpenKey(const String& Key, bool CanCreate) {
    std::lock_guard g(StoreLock());
    String section = FullPath(Key);
    TIniLines l = LoadStore();
    if (!KeyExistsIn(l, section)) {
        if (!CanCreate) return false;
        l.Lines.push_back(u'[' + section + u']');
        l.SaveToFile(StorageFileName());
    }
    String root = RootName(FRootKey);
    FCurrentPath = section.size() > root.size() ? section.mid(root.size() + 1) : String();
    FOpen = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const String& Key) {
    if (!OpenKey(Key, false)) return false;
    FAccess = KEY_READ;
    return true;
}

void TRegistry::CloseKey() {
    FOpen = false;
    FCurrentPath.clear();
}

bool TRegistry::CreateKey(const String& Key) {
    std::lock_guard g(StoreLock());
    String section = FullPath(Key);
    TIniLines l = LoadStore();
    if (KeyExistsIn(l, section)) return true;
    l.Lines.push_back(u'[' + section + u']');
    l.SaveToFile(StorageFileName());
    return true;
}

bool TRegistry::DeleteKey(const String& Key) {
    std::lock_guard g(StoreLock());
    String section = FullPath(Key);
    if (!section.contains(u'\\')) return false;
    TIniLines l = LoadStore();
    bool any = false;
    for (const String& s : l.Sections())
        if (s.compare(section, Qt::CaseInsensitive) == 0 || StartsWithKey(s, section)) any |= l.EraseSection(s);
    if (any) l.SaveToFile(StorageFileName());
    return any;
}

bool TRegistry::KeyExists(const String& Key) {
    std::lock_guard g(StoreLock());
    return KeyExistsIn(LoadStore(), FullPath(Key));
}

void TRegistry::GetKeyNames(TStrings* Strings) {
    std::lock_guard g(StoreLock());
    String cur = CurrentSection();
    QStringList names;
    for (const String& s : LoadStore().Sections())
        if (StartsWithKey(s, cur)) {
            String child = s.mid(cur.size() + 1).section(u'\\', 0, 0);
            bool seen = false;
            for (const String& n : names) seen |= n.compare(child, Qt::CaseInsensitive) == 0;
            if (!seen) names << child;
        }
    Strings->BeginUpdate();
    Strings->Clear();
    for (const String& n : names) Strings->Add(n);
    Strings->EndUpdate();
}

bool TRegistry::HasSubKeys() {
    TStringList names;
    GetKeyNames(&names);
    return names.Count() > 0;
}

bool TRegistry::ReadRaw(const String& Name, String& Raw) {
    if (!FOpen) return false;
    std::lock_guard g(StoreLock());
    return LoadStore().Read(CurrentSection(), StoredName(Name), Raw);
}

void TRegistry::WriteRaw(const String& Name, const String& Raw) {
    if (!FOpen || FAccess == KEY_READ) throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(Name));
    std::lock_guard g(StoreLock());
    TIniLines l = LoadStore();
    l.Write(CurrentSection(), StoredName(Name), Raw);
    l.SaveToFile(StorageFileName());
}

bool TRegistry::ValueExists(const String& Name) {
    String raw;
    return ReadRaw(Name, raw);
}

bool TRegistry::DeleteValue(const String& Name) {
    if (!FOpen) return false;
    std::lock_guard g(StoreLock());
    TIniLines l = LoadStore();
    if (!l.DeleteKey(CurrentSection(), StoredName(Name))) return false;
    l.SaveToFile(StorageFileName());
    return true;
}

void TRegistry::GetValueNames(TStrings* Strings) {
    Strings->BeginUpdate();
    Strings->Clear();
    if (FOpen) {
        std::lock_guard g(StoreLock());
        for (auto& [k, v] : LoadStore().Entries(CurrentSection())) Strings->Add(k == u"@" ? String() : k);
    }
    Strings->EndUpdate();
}

TRegDataType TRegistry::GetDataType(const String& ValueName) {
    String raw;
    return ReadRaw(ValueName, raw) ? TypeOf(raw) : rdUnknown;
}

Integer TRegistry::GetDataSize(const String& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

bool TRegistry::GetDataInfo(const String& ValueName, TRegDataInfo& Value) {
    String raw;
    Value = TRegDataInfo();
    if (!ReadRaw(ValueName, raw)) return false;
    Value.RegData = TypeOf(raw);
    switch (Value.RegData) {
        case rdInteger: Value.DataSize = 4; break;
        case rdBinary: Value.DataSize = static_cast<Integer>(DecodeBinary(raw).size()); break;
        default: Value.DataSize = static_cast<Integer>((DecodeString(raw).size() + 1) * 2); break;  // UTF-16 with the zero
    }
    return true;
}

String TRegistry::ReadString(const String& Name) {
    String raw;
    if (!ReadRaw(Name, raw)) return String();
    if (TypeOf(raw) != rdString) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    return DecodeString(raw);
}

void TRegistry::WriteString(const String& Name, const String& Value) { WriteRaw(Name, EncodeString(Value)); }
void TRegistry::WriteExpandString(const String& Name, const String& Value) { WriteString(Name, Value); }

Integer TRegistry::ReadInteger(const String& Name) {
    String raw;
    if (!ReadRaw(Name, raw)) throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(Name));
    if (TypeOf(raw) != rdInteger) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    bool ok = false;
    uint v = raw.mid(6).trimmed().toUInt(&ok, 16);
    if (!ok) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    return static_cast<Integer>(v);
}

void TRegistry::WriteInteger(const String& Name, Integer Value) {
    WriteRaw(Name, QStringLiteral("dword:%1").arg(static_cast<uint>(Value), 8, 16, QChar(u'0')));
}

bool TRegistry::ReadBool(const String& Name) { return ReadInteger(Name) != 0; }
void TRegistry::WriteBool(const String& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

QByteArray TRegistry::ReadBinary(const String& Name) {
    String raw;
    if (!ReadRaw(Name, raw)) throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(Name));
    if (TypeOf(raw) != rdBinary) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    return DecodeBinary(raw);
}

Integer TRegistry::ReadBinaryData(const String& Name, void* Buffer, Integer BufSize) {
    QByteArray d = ReadBinary(Name);
    if (d.size() > BufSize) throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(Name));
    if (!d.isEmpty()) std::memcpy(Buffer, d.constData(), static_cast<size_t>(d.size()));
    return static_cast<Integer>(d.size());
}

void TRegistry::WriteBinaryData(const String& Name, const void* Buffer, Integer BufSize) {
    QByteArray d(static_cast<const char*>(Buffer), BufSize);
    WriteRaw(Name, QStringLiteral("hex:") + QString::fromLatin1(d.toHex(',')));
}

// ---- TRegIniFile -------------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const String& FileName, LongWord AAccess) : TRegistry(AAccess), FFileName(FileName) {
    OpenKey(FileName, true);
}

String TRegIniFile::SectionPath(const String& Section) const {
    String base = u'\\' + CurrentPath();
    return Section.isEmpty() ? base : base + u'\\' + Section;
}

namespace {
// Runs f with the registry's open key moved to Path, then back.
template <class F>
auto WithKey(TRegistry& r, const String& path, bool create, F f) {
    String saved = u'\\' + r.CurrentPath();
    bool opened = r.OpenKey(path, create);
    struct Back {
        TRegistry& R;
        String P;
        ~Back() { R.OpenKey(P, false); }
    } back{r, saved};
    return f(opened);
}
}  // namespace

String TRegIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    return WithKey(*this, SectionPath(Section), false, [&](bool opened) -> String {
        if (!opened || !TRegistry::ValueExists(Ident)) return Default;
        if (GetDataType(Ident) == rdInteger) return IntToStr(TRegistry::ReadInteger(Ident));
        return TRegistry::ReadString(Ident);
    });
}

void TRegIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    WithKey(*this, SectionPath(Section), true, [&](bool) {
        TRegistry::WriteString(Ident, Value);
        return 0;
    });
}

Integer TRegIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
    return WithKey(*this, SectionPath(Section), false, [&](bool opened) -> Integer {
        if (!opened || !TRegistry::ValueExists(Ident)) return Default;
        if (GetDataType(Ident) == rdInteger) return TRegistry::ReadInteger(Ident);
        return StrToIntDef(TRegistry::ReadString(Ident), Default);
    });
}

void TRegIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
    WriteInteger(Section, Ident, Value ? 1 : 0);
}

void TRegIniFile::ReadSection(const String& Section, TStrings* Strings) {
    WithKey(*this, SectionPath(Section), false, [&](bool opened) {
        if (opened) GetValueNames(Strings);
        else Strings->Clear();
        return 0;
    });
}

void TRegIniFile::ReadSections(TStrings* Strings) { GetKeyNames(Strings); }

void TRegIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
    TStringList names;
    ReadSection(Section, &names);
    Strings->BeginUpdate();
    Strings->Clear();
    for (int i = 0; i < names.Count(); ++i)
        Strings->Add(names.Strings(i) + u'=' + ReadString(Section, names.Strings(i), String()));
    Strings->EndUpdate();
}

void TRegIniFile::EraseSection(const String& Section) { TRegistry::DeleteKey(SectionPath(Section)); }

void TRegIniFile::DeleteKey(const String& Section, const String& Ident) {
    WithKey(*this, SectionPath(Section), false, [&](bool opened) {
        if (opened) DeleteValue(Ident);
        return 0;
    });
}

bool TRegIniFile::SectionExists(const String& Section) { return KeyExists(SectionPath(Section)); }

bool TRegIniFile::ValueExists(const String& Section, const String& Ident) {
    return WithKey(*this, SectionPath(Section), false,
                   [&](bool opened) { return opened && TRegistry::ValueExists(Ident); });
}
