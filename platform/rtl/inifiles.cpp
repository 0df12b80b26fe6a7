#include "platform/rtl/inifiles.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// ---- TIniLines ---------------------------------------------------------------------------------

bool TIniLines::ParseHeader(const String& Line, String& Section) {
    String s = Line.trimmed();
    if (s.size() < 2 || s.front() != u'[' || s.back() != u']') return false;
    Section = s.mid(1, s.size() - 2).trimmed();
    return true;
}

bool TIniLines::ParseEntry(const String& Line, String& Key, String& Value) {
    String s = Line.trimmed();
    if (s.isEmpty() || s.front() == u';') return false;
    String dummy;
    if (ParseHeader(s, dummy)) return false;
    int eq = s.indexOf(u'=');
    if (eq < 0) {
        Key = s;
        Value.clear();
    } else {
        Key = s.left(eq).trimmed();
        Value = s.mid(eq + 1).trimmed();
    }
    return true;
}

int TIniLines::FindSection(const String& Section) const {
    String name;
    for (size_t i = 0; i < Lines.size(); ++i)
        if (ParseHeader(Lines[i], name) && name.compare(Section.trimmed(), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int TIniLines::SectionEnd(int Header) const {
    String name;
    for (size_t i = static_cast<size_t>(Header) + 1; i < Lines.size(); ++i)
        if (ParseHeader(Lines[i], name)) return static_cast<int>(i);
    return static_cast<int>(Lines.size());
}

int TIniLines::FindKey(int Header, const String& Ident) const {
    String key, value;
    int end = SectionEnd(Header);
    for (int i = Header + 1; i < end; ++i)
        if (ParseEntry(Lines[static_cast<size_t>(i)], key, value) && key.compare(Ident.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TIniLines::Read(const String& Section, const String& Ident, String& Value) const {
    int h = FindSection(Section);
    if (h < 0) return false;
    int k = FindKey(h, Ident);
    if (k < 0) return false;
    String key;
    ParseEntry(Lines[static_cast<size_t>(k)], key, Value);
    return true;
}

void TIniLines::Write(const String& Section, const String& Ident, const String& Value) {
    // A line break would turn the rest of the value into other keys or sections.
    if (Value.contains(u'\n') || Value.contains(u'\r') || Ident.contains(u'\n') || Ident.contains(u'\r') ||
        Section.contains(u'\n') || Section.contains(u'\r'))
        throw EIniFileException(QStringLiteral("Line breaks are not allowed in INI values ([%1] %2)").arg(Section, Ident));
    String line = Ident.trimmed() + u'=' + Value;
    int h = FindSection(Section);
    if (h < 0) {
        if (!Lines.empty() && !Lines.back().trimmed().isEmpty()) Lines.emplace_back();
        Lines.push_back(u'[' + Section.trimmed() + u']');
        Lines.push_back(line);
        return;
    }
    int k = FindKey(h, Ident);
    if (k >= 0) {
        Lines[static_cast<size_t>(k)] = line;
        return;
    }
    // After the section's last non-blank line.
    int pos = SectionEnd(h);
    while (pos > h + 1 && Lines[static_cast<size_t>(pos) - 1].trimmed().isEmpty()) --pos;
    Lines.insert(Lines.begin() + pos, line);
}

bool TIniLines::DeleteKey(const String& Section, const String& Ident) {
    int h = FindSection(Section);
    if (h < 0) return false;
    int k = FindKey(h, Ident);
    if (k < 0) return false;
    Lines.erase(Lines.begin() + k);
    return true;
}

bool TIniLines::EraseSection(const String& Section) {
    bool any = false;
    for (int h; (h = FindSection(Section)) >= 0;) {  // every section of that name
        Lines.erase(Lines.begin() + h, Lines.begin() + SectionEnd(h));
        any = true;
    }
    return any;
}

std::vector<String> TIniLines::Sections() const {
    std::vector<String> out;
    String name;
    for (const String& l : Lines)
        if (ParseHeader(l, name)) {
            bool seen = false;
            for (const String& o : out) seen |= o.compare(name, Qt::CaseInsensitive) == 0;
            if (!seen) out.push_back(name);
        }
    return out;
}

std::vector<std::pair<String, String>> TIniLines::Entries(const String& Section) const {
    std::vector<std::pair<String, String>> out;
    int h = FindSection(Section);
    if (h < 0) return out;
    int end = SectionEnd(h);
    String key, value;
    for (int i = h + 1; i < end; ++i)
        if (ParseEntry(Lines[static_cast<size_t>(i)], key, value)) out.emplace_back(key, value);
    return out;
}

void TIniLines::LoadFromFile(const String& FileName) {
    Lines.clear();
    Encoding = tfeUtf8;
    LineBreak = "\r\n";
    FinalLineBreak = true;
    QFile f(FileName);
    if (!f.exists()) return;
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, f.errorString()));
    String text = DecodeTextFile(f.readAll(), &Encoding);
    // The first line break of the file is the file's own.
    qsizetype br = 0;
    while (br < text.size() && text.at(br) != u'\r' && text.at(br) != u'\n') ++br;
    if (br < text.size())
        LineBreak = text.at(br) == u'\n' ? "\n" : (br + 1 < text.size() && text.at(br + 1) == u'\n' ? "\r\n" : "\r");
    FinalLineBreak = text.isEmpty() || text.endsWith(u'\n') || text.endsWith(u'\r');
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList parts = text.split(u'\n');
    Lines.assign(parts.begin(), parts.end());
    if (!Lines.empty() && Lines.back().isEmpty()) Lines.pop_back();  // the final line break
}

void TIniLines::SaveToFile(const String& FileName) const {
    QFileInfo info(FileName);
    QDir().mkpath(info.absolutePath());
    const String br = QString::fromLatin1(LineBreak);
    String text;
    for (size_t i = 0; i < Lines.size(); ++i) {
        text += Lines[i];
        if (i + 1 < Lines.size() || FinalLineBreak) text += br;
    }
    TTextFileEncoding encoding = Encoding;
    const QByteArray bytes = EncodeTextFile(text, encoding);
    SaveBytesToFileSafely(FileName, bytes.constData(), bytes.size());
}

// ---- TCustomIniFile ----------------------------------------------------------------------------

bool TCustomIniFile::SectionExists(const String& Section) {
    TStringList keys;
    ReadSection(Section, &keys);
    if (keys.Count() > 0) return true;
    TStringList sections;
    ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i)
        if (sections.Strings(i).compare(Section.trimmed(), Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
    TStringList keys;
    ReadSection(Section, &keys);
    for (int i = 0; i < keys.Count(); ++i)
        if (keys.Strings(i).compare(Ident.trimmed(), Qt::CaseInsensitive) == 0) return true;
    return false;
}

Integer TCustomIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
    String s = ReadString(Section, Ident, String());
    if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) s = u'$' + s.mid(2);
    return StrToIntDef(s, Default);
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TCustomIniFile::ReadFloat(const String& Section, const String& Name, double Default) {
    String s = ReadString(Section, Name, String());
    Extended v = 0;
    if (!s.isEmpty() && TryStrToFloat(s, v)) return static_cast<double>(v);
    return Default;
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Name, double Value) {
    WriteString(Section, Name, FloatToStr(Value));
}

TDateTime TCustomIniFile::ReadDate(const String& Section, const String& Name, TDateTime Default) {
    String s = ReadString(Section, Name, String());
    TDateTime v = 0;
    return !s.isEmpty() && TryStrToDate(s, v) ? v : Default;
}

TDateTime TCustomIniFile::ReadDateTime(const String& Section, const String& Name, TDateTime Default) {
    String s = ReadString(Section, Name, String());
    TDateTime v = 0;
    return !s.isEmpty() && TryStrToDateTime(s, v) ? v : Default;
}

TDateTime TCustomIniFile::ReadTime(const String& Section, const String& Name, TDateTime Default) {
    String s = ReadString(Section, Name, String());
    TDateTime v = 0;
    return !s.isEmpty() && TryStrToTime(s, v) ? v : Default;
}

void TCustomIniFile::WriteDate(const String& Section, const String& Name, TDateTime Value) {
    WriteString(Section, Name, DateToStr(Value));
}

void TCustomIniFile::WriteDateTime(const String& Section, const String& Name, TDateTime Value) {
    WriteString(Section, Name, DateTimeToStr(Value));
}

void TCustomIniFile::WriteTime(const String& Section, const String& Name, TDateTime Value) {
    WriteString(Section, Name, TimeToStr(Value));
}

Integer TCustomIniFile::ReadBinaryStream(const String& Section, const String& Name, TStream* Value) {
    String s = ReadString(Section, Name, String());
    if (s.isEmpty()) return 0;
    QByteArray hex = s.toLatin1();
    for (char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c)) || hex.size() % 2)
            throw EIniFileException(QStringLiteral("Invalid binary value in [%1] %2").arg(Section, Name));
    QByteArray bytes = QByteArray::fromHex(hex);
    if (!bytes.isEmpty()) Value->WriteBuffer(bytes.constData(), static_cast<Integer>(bytes.size()));
    return static_cast<Integer>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const String& Section, const String& Name, TStream* Value) {
    Int64 n = Value->Size() - Value->Position();
    QByteArray bytes(static_cast<qsizetype>(std::max<Int64>(n, 0)), '\0');
    if (n > 0) Value->ReadBuffer(bytes.data(), static_cast<Integer>(n));
    WriteString(Section, Name, QString::fromLatin1(bytes.toHex().toUpper()));
}

namespace {
void FillKeys(const TIniLines& l, const String& Section, TStrings* Strings) {
    Strings->BeginUpdate();
    Strings->Clear();
    for (auto& [k, v] : l.Entries(Section)) Strings->Add(k);
    Strings->EndUpdate();
}
void FillSections(const TIniLines& l, TStrings* Strings) {
    Strings->BeginUpdate();
    Strings->Clear();
    for (const String& s : l.Sections()) Strings->Add(s);
    Strings->EndUpdate();
}
void FillValues(const TIniLines& l, const String& Section, TStrings* Strings) {
    Strings->BeginUpdate();
    Strings->Clear();
    for (auto& [k, v] : l.Entries(Section)) Strings->Add(k + u'=' + v);
    Strings->EndUpdate();
}
}  // namespace

// ---- TMemIniFile -------------------------------------------------------------------------------

TMemIniFile::TMemIniFile(const String& FileName) : TCustomIniFile(FileName), FLines(std::make_unique<TIniLines>()) {
    if (!FileName.isEmpty()) FLines->LoadFromFile(FileName);
}

TMemIniFile::~TMemIniFile() = default;

String TMemIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    String v;
    return FLines->Read(Section, Ident, v) ? v : Default;
}

void TMemIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    FLines->Write(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const String& Section, TStrings* Strings) { FillKeys(*FLines, Section, Strings); }
void TMemIniFile::ReadSections(TStrings* Strings) { FillSections(*FLines, Strings); }
void TMemIniFile::ReadSectionValues(const String& Section, TStrings* Strings) { FillValues(*FLines, Section, Strings); }
void TMemIniFile::EraseSection(const String& Section) { FLines->EraseSection(Section); }
void TMemIniFile::DeleteKey(const String& Section, const String& Ident) { FLines->DeleteKey(Section, Ident); }
void TMemIniFile::UpdateFile() { FLines->SaveToFile(FFileName); }
void TMemIniFile::Clear() { FLines->Lines.clear(); }

void TMemIniFile::GetStrings(TStrings* List) {
    List->BeginUpdate();
    List->Clear();
    for (const String& l : FLines->Lines) List->Add(l);
    List->EndUpdate();
}

void TMemIniFile::SetStrings(TStrings* List) {
    FLines->Lines.clear();
    for (int i = 0; i < List->Count(); ++i) FLines->Lines.push_back(List->Strings(i));
}

void TMemIniFile::Rename(const String& FileName, bool Reload) {
    FFileName = FileName;
    if (Reload) FLines->LoadFromFile(FileName);
}

// ---- TIniFile ----------------------------------------------------------------------------------

TIniFile::TIniFile(const String& FileName) : TCustomIniFile(FileName) {}
TIniFile::~TIniFile() = default;

TIniLines TIniFile::Load() {
    TIniLines l;
    l.LoadFromFile(FFileName);
    return l;
}

void TIniFile::Save(const TIniLines& Lines) { Lines.SaveToFile(FFileName); }

String TIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    String v;
    if (!Load().Read(Section, Ident, v)) return Default;
    // One pair of enclosing quotes, double or single, is not part of the value (the profile
    // reader of the operating system drops it).
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) v = v.mid(1, v.size() - 2);
    return v;
}

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    TIniLines l = Load();
    l.Write(Section, Ident, Value);
    Save(l);
}

void TIniFile::ReadSection(const String& Section, TStrings* Strings) { FillKeys(Load(), Section, Strings); }
void TIniFile::ReadSections(TStrings* Strings) { FillSections(Load(), Strings); }
void TIniFile::ReadSectionValues(const String& Section, TStrings* Strings) { FillValues(Load(), Section, Strings); }

void TIniFile::EraseSection(const String& Section) {
    TIniLines l = Load();
    if (l.EraseSection(Section)) Save(l);
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
    TIniLines l = Load();
    if (l.DeleteKey(Section, Ident)) Save(l);
}
