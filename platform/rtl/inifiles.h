// INI files in the Windows text format: "[Section]" lines and "Key=Value" lines; section and key
// names compare without regard to case and the first match wins; names and values are trimmed;
// there is no escaping and no quote removal; lines starting with ";" are comments. Files are read
// as UTF-8 (or UTF-16 with a byte-order mark) and written as UTF-8 without one.
//
// TMemIniFile keeps the file in memory until UpdateFile; TIniFile writes through to the disk on
// every change and reads the disk on every query, as the system's profile calls do. Both keep
// the lines they do not change (comments, order, blank lines) as they were.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/codepages.h"

#include <memory>
#include <utility>
#include <vector>

class TStrings;
class TStream;

SDELKA_EXCEPTION(EIniFileException, Exception)

// ---- the line store shared by the INI classes and the registry emulation -------------------------
struct TIniLines {
    std::vector<String> Lines;
    // How the file was written, so that saving another key keeps every other line byte for byte:
    // its encoding (a file of the Windows client in code page 1251 stays in 1251), its line break
    // and whether its last line ends with one. A new file is UTF-8 with CR LF.
    TTextFileEncoding Encoding = tfeUtf8;
    QByteArray LineBreak = "\r\n";
    bool FinalLineBreak = true;

    // Index of the section's header line, or -1; the first match (not case-sensitive).
    int FindSection(const String& Section) const;
    // One past the section's last line (the next header or the end).
    int SectionEnd(int Header) const;
    // Index of the key's line in the section, or -1.
    int FindKey(int Header, const String& Ident) const;
    // Splits "Key=Value" (trimmed); a line without "=" is a key with an empty value. False for
    // blank lines, comments and headers.
    static bool ParseEntry(const String& Line, String& Key, String& Value);
    static bool ParseHeader(const String& Line, String& Section);

    bool Read(const String& Section, const String& Ident, String& Value) const;
    void Write(const String& Section, const String& Ident, const String& Value);
    bool DeleteKey(const String& Section, const String& Ident);
    bool EraseSection(const String& Section);
    std::vector<String> Sections() const;
    std::vector<std::pair<String, String>> Entries(const String& Section) const;

    // Reads the file (empty when it does not exist); writes it in the encoding and with the line
    // breaks it was read with, creating its folder.
    void LoadFromFile(const String& FileName);
    void SaveToFile(const String& FileName) const;
};

class TCustomIniFile : public TObject {
    SDELKA_CLASS(TCustomIniFile, TObject)
public:
    explicit TCustomIniFile(const String& FileName) : FFileName(FileName) {}
    const String& FileName() const { return FFileName; }

    bool SectionExists(const String& Section);
    virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
    virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
    // Decimal or hexadecimal ("0x1F", "$1F"); Default when absent or not a number.
    virtual Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
    virtual void WriteInteger(const String& Section, const String& Ident, Integer Value);
    // ReadInteger(..., Default ? 1 : 0) <> 0; written as 1 or 0.
    virtual bool ReadBool(const String& Section, const String& Ident, bool Default);
    virtual void WriteBool(const String& Section, const String& Ident, bool Value);
    // Floats and dates through the process-wide FormatSettings; Default when the text does not
    // convert.
    virtual double ReadFloat(const String& Section, const String& Name, double Default);
    virtual void WriteFloat(const String& Section, const String& Name, double Value);
    virtual TDateTime ReadDate(const String& Section, const String& Name, TDateTime Default);
    virtual TDateTime ReadDateTime(const String& Section, const String& Name, TDateTime Default);
    virtual TDateTime ReadTime(const String& Section, const String& Name, TDateTime Default);
    virtual void WriteDate(const String& Section, const String& Name, TDateTime Value);
    virtual void WriteDateTime(const String& Section, const String& Name, TDateTime Value);
    virtual void WriteTime(const String& Section, const String& Name, TDateTime Value);
    // Bytes as upper-case hexadecimal text. ReadBinaryStream writes them into Value at its
    // position and answers their count (0 when absent; EIniFileException for text that is not hex).
    virtual Integer ReadBinaryStream(const String& Section, const String& Name, TStream* Value);
    virtual void WriteBinaryStream(const String& Section, const String& Name, TStream* Value);

    // The keys of a section; the section names; the section's "Key=Value" lines.
    virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
    virtual void ReadSections(TStrings* Strings) = 0;
    virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
    virtual void EraseSection(const String& Section) = 0;
    virtual void DeleteKey(const String& Section, const String& Ident) = 0;
    virtual void UpdateFile() = 0;
    virtual bool ValueExists(const String& Section, const String& Ident);

protected:
    String FFileName;
};

class TMemIniFile : public TCustomIniFile {
    SDELKA_CLASS(TMemIniFile, TCustomIniFile)
public:
    // Loads the file when it exists.
    explicit TMemIniFile(const String& FileName);
    ~TMemIniFile() override;

    String ReadString(const String& Section, const String& Ident, const String& Default) override;
    void WriteString(const String& Section, const String& Ident, const String& Value) override;
    void ReadSection(const String& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const String& Section, TStrings* Strings) override;
    void EraseSection(const String& Section) override;
    void DeleteKey(const String& Section, const String& Ident) override;
    // Writes the lines to the file (EFCreateError when it cannot be written).
    void UpdateFile() override;

    void Clear();
    // The file's lines and back.
    void GetStrings(TStrings* List);
    void SetStrings(TStrings* List);
    // Another file name; with Reload the lines are read from it.
    void Rename(const String& FileName, bool Reload);

protected:
    std::unique_ptr<TIniLines> FLines;
};

class TIniFile : public TCustomIniFile {
    SDELKA_CLASS(TIniFile, TCustomIniFile)
public:
    explicit TIniFile(const String& FileName);
    ~TIniFile() override;

    String ReadString(const String& Section, const String& Ident, const String& Default) override;
    void WriteString(const String& Section, const String& Ident, const String& Value) override;
    void ReadSection(const String& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const String& Section, TStrings* Strings) override;
    void EraseSection(const String& Section) override;
    void DeleteKey(const String& Section, const String& Ident) override;
    // Nothing to do: every change is on the disk already.
    void UpdateFile() override {}

private:
    TIniLines Load();
    void Save(const TIniLines& Lines);
};

