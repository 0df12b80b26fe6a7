#include "platform/rtl/inifiles.h"

#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "support/safefile_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const String& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void WriteFile(const String& path, const QByteArray& data) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

std::vector<String> ToVector(TStrings* s) {
    std::vector<String> v;
    for (int i = 0; i < s->Count(); ++i) v.push_back(s->Strings(i));
    return v;
}

// The exact bytes Python's configparser writes (interpolation off, option names kept as given)
// for three sections; produced once with python3 and kept here.
const char* const PythonWritten =
    "[Grid]\nfrmMain.DBGrid1.Name = 0,64,1,1,0,7,0,0,0\n(Default) = 18,1\n\n"
    "[\xD0\x9F\xD1\x83\xD1\x82\xD0\xB8]\n"                                   // [Пути]
    "\xD0\x9A\xD0\xB0\xD1\x82\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB3 = /home/"      // Каталог = /home/
    "\xD0\xBC\xD0\xB0\xD1\x81\xD1\x82\xD0\xB5\xD1\x80/"                      // мастер/
    "\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82\xD1\x8B\n"                     // отчёты
    "Empty = \n\n"
    "[Flags]\nEnabled = 1\nRatio = 2,5\nHex = 0x1F\n\n";

}  // namespace

TEST(IniFiles, ReadsWhatPythonsConfigparserWrites) {
    QTemporaryDir dir;
    String path = dir.filePath("py.ini");
    WriteFile(path, PythonWritten);
    for (int kind = 0; kind < 2; ++kind) {
        TOwned<TCustomIniFile> ini(kind ? static_cast<TCustomIniFile*>(New<TIniFile>(path))
                                                 : New<TMemIniFile>(path));
        EXPECT_EQ(ini->ReadString("grid", "FRMMAIN.dbgrid1.name", "?"), "0,64,1,1,0,7,0,0,0");
        EXPECT_EQ(ini->ReadString("Grid", "(Default)", "?"), "18,1");
        EXPECT_EQ(ini->ReadString(u"пути"_S, u"каталог"_S, "?"), u"/home/мастер/отчёты"_S);
        EXPECT_EQ(ini->ReadString(u"Пути"_S, "Empty", "?"), "");  // present and empty: not the default
        EXPECT_EQ(ini->ReadString(u"Пути"_S, "Missing", "?"), "?");
        EXPECT_EQ(ini->ReadInteger("Flags", "Hex", 0), 31);
        EXPECT_TRUE(ini->ReadBool("Flags", "Enabled", false));
        EXPECT_EQ(ini->ReadInteger("Flags", "Ratio", -1), -1);  // not an integer: the default
        EXPECT_EQ(ini->ReadFloat("Flags", "Ratio", 0), 2.5);     // the decimal comma of the settings
        TStringList sections, keys, values;
        ini->ReadSections(&sections);
        EXPECT_EQ(ToVector(&sections), (std::vector<String>{"Grid", u"Пути"_S, "Flags"}));
        ini->ReadSection("FLAGS", &keys);
        EXPECT_EQ(ToVector(&keys), (std::vector<String>{"Enabled", "Ratio", "Hex"}));
        ini->ReadSectionValues("Grid", &values);
        EXPECT_EQ(ToVector(&values), (std::vector<String>{"frmMain.DBGrid1.Name=0,64,1,1,0,7,0,0,0", "(Default)=18,1"}));
        EXPECT_TRUE(ini->SectionExists("flags"));
        EXPECT_FALSE(ini->SectionExists("Nope"));
        EXPECT_TRUE(ini->ValueExists(u"Пути"_S, "empty"));
    }
}

TEST(IniFiles, WritesWhatPythonsConfigparserReads) {
    QTemporaryDir dir;
    String path = dir.filePath("sub/out.ini");  // the folder is created
    TMemIniFile ini(path);
    ini.WriteString("Grid", "frmMain.DBGrid1.Name", "0,64,1,1,0,7,0,0,0");
    ini.WriteInteger("Grid", "RowHeight", 18);
    ini.WriteString(u"Пути"_S, u"Каталог"_S, u"  /home/мастер  "_S);
    ini.WriteBool("Flags", "Enabled", true);
    ini.WriteString("grid", "rowheight", "20");  // same key, other case: the line is replaced in place
    ini.UpdateFile();
    // configparser (interpolation off, option names kept) reads this back to the same values:
    // checked once with python3 on these exact bytes.
    EXPECT_EQ(ReadFile(path),
              QByteArray("[Grid]\r\nfrmMain.DBGrid1.Name=0,64,1,1,0,7,0,0,0\r\nrowheight=20\r\n\r\n"
                         "[\xD0\x9F\xD1\x83\xD1\x82\xD0\xB8]\r\n"
                         "\xD0\x9A\xD0\xB0\xD1\x82\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB3=  /home/"
                         "\xD0\xBC\xD0\xB0\xD1\x81\xD1\x82\xD0\xB5\xD1\x80  \r\n\r\n"
                         "[Flags]\r\nEnabled=1\r\n"));
    // Values are trimmed on reading.
    TMemIniFile again(path);
    EXPECT_EQ(again.ReadString(u"Пути"_S, u"Каталог"_S, ""), u"/home/мастер"_S);
}

TEST(IniFiles, FirstMatchWinsAndEditsKeepOtherLines) {
    QTemporaryDir dir;
    String path = dir.filePath("edit.ini");
    WriteFile(path,
              "; settings of the shop floor\r\n"
              "[Main]\r\n"
              "Key = first\r\n"
              "KEY = second\r\n"
              "\r\n"
              "[main]\r\n"
              "Other=x\r\n"
              "[Tail]\r\n"
              "a=1\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Main", "key", ""), "first");
    EXPECT_EQ(ini.ReadString("MAIN", "Other", "none"), "none");  // only the first [Main] counts
    ini.WriteString("Main", "New", "v");
    ini.WriteString("Main", "key", "changed");
    ini.DeleteKey("Tail", "a");
    EXPECT_EQ(ReadFile(path),
              QByteArray("; settings of the shop floor\r\n[Main]\r\nkey=changed\r\nKEY = second\r\nNew=v\r\n\r\n"
                         "[main]\r\nOther=x\r\n[Tail]\r\n"));
    ini.EraseSection("main");  // every section of the name
    EXPECT_EQ(ReadFile(path), QByteArray("; settings of the shop floor\r\n[Tail]\r\n"));

    // A value with a line break would split into other entries: refused, the file unchanged.
    EXPECT_THROW(ini.WriteString("Tail", "b", "one\r\n[Injected]"), EIniFileException);
    EXPECT_EQ(ReadFile(path), QByteArray("; settings of the shop floor\r\n[Tail]\r\n"));
}

TEST(IniFiles, AFileOfTheWindowsClientIn1251KeepsEveryOtherByteWhenAKeyIsWritten) {
    QTemporaryDir dir;
    // [Пути] / Отчёты=C:\Отчёты / Цех=№2 / Пусто= , in code page 1251 with LF breaks and no final break.
    const QByteArray before("[\xCF\xF3\xF2\xE8]\n"
                            "\xCE\xF2\xF7\xB8\xF2\xFB=C:\\\xCE\xF2\xF7\xB8\xF2\xFB\n"
                            "\xD6\xE5\xF5=\xB9\x32\n"
                            "\xCF\xF3\xF1\xF2\xEE=");
    const String path = dir.filePath("legacy.ini");
    WriteFile(path, before);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(u"Пути"_S, u"Отчёты"_S, ""), u"C:\\Отчёты"_S);
    EXPECT_EQ(ini.ReadString(u"Пути"_S, u"Цех"_S, ""), u"№2"_S);
    ini.WriteString(u"Пути"_S, u"Смена"_S, u"Вторая"_S);
    const QByteArray after = ReadFile(path);
    EXPECT_EQ(after, before + "\n\xD1\xEC\xE5\xED\xE0=\xC2\xF2\xEE\xF0\xE0\xFF") << after.toHex().toStdString();
    ini.DeleteKey(u"Пути"_S, u"Смена"_S);
    EXPECT_EQ(ReadFile(path), before);
    // The same through the in-memory INI file.
    TMemIniFile mem(path);
    mem.WriteString(u"Пути"_S, u"Цех"_S, u"№3"_S);
    mem.UpdateFile();
    QByteArray changed = before;
    changed.replace("=\xB9\x32", "=\xB9\x33");
    EXPECT_EQ(ReadFile(path), changed);
    // UTF-8 files stay UTF-8, with their own line breaks.
    WriteFile(path, "[A]\r\nk=\xD0\xB4\r\n");
    TIniFile utf(path);
    utf.WriteString("A", "m", u"ж"_S);
    EXPECT_EQ(ReadFile(path), QByteArray("[A]\r\nk=\xD0\xB4\r\nm=\xD0\xB6\r\n"));
}

TEST(IniFiles, OnePairOfEnclosingQuotesIsNotPartOfTheValue) {
    QTemporaryDir dir;
    const String path = dir.filePath("quotes.ini");
    WriteFile(path, "[Q]\na=\"C:\\Program Files\\\"\nb='x'\nc=\"\"y\"\"\nd='z\"\ne=\"\nf=it's\ng=''\n");
    struct Case { const char* key; String value; };
    const Case cases[] = {
        {"a", u"C:\\Program Files\\"_S}, {"b", u"x"_S}, {"c", u"\"y\""_S}, {"d", u"'z\""_S},
        {"e", u"\""_S}, {"f", u"it's"_S}, {"g", u""_S},
    };
    TIniFile ini(path);
    for (const Case& c : cases) EXPECT_EQ(ini.ReadString("Q", c.key, "none"), c.value) << c.key;
}

TEST(IniFiles, TypedValuesAndBinaryStreams) {
    QTemporaryDir dir;
    TMemIniFile ini(dir.filePath("t.ini"));
    ini.WriteFloat("S", "F", 1.25);
    EXPECT_EQ(ini.ReadString("S", "F", ""), "1,25");
    EXPECT_EQ(ini.ReadFloat("S", "F", 0), 1.25);
    ini.WriteDate("S", "D", 45000);
    EXPECT_EQ(ini.ReadDate("S", "D", 0), 45000);
    EXPECT_EQ(ini.ReadDate("S", "F", 7), 7);  // not a date: the default
    TMemoryStream in, out;
    in.WriteBuffer("\x00\x7F\xFF", 3);
    in.SetPosition(0);
    ini.WriteBinaryStream("S", "B", &in);
    EXPECT_EQ(ini.ReadString("S", "B", ""), "007FFF");
    EXPECT_EQ(ini.ReadBinaryStream("S", "B", &out), 3);
    EXPECT_EQ(QByteArray(static_cast<const char*>(out.Memory()), 3), QByteArray("\x00\x7F\xFF", 3));
    EXPECT_EQ(ini.ReadBinaryStream("S", "Missing", &out), 0);
    ini.WriteString("S", "Bad", "0G");
    EXPECT_THROW(ini.ReadBinaryStream("S", "Bad", &out), EIniFileException);
}

// ---- the registry over an INI file ----------------------------------------------------------------

#include "platform/rtl/registry.h"

namespace {
struct RegistryFile {
    QTemporaryDir Dir;
    String Path = Dir.filePath("reg/registry.ini");
    RegistryFile() { TRegistry::SetStorageFileName(Path); }
    ~RegistryFile() { TRegistry::SetStorageFileName(String()); }
};
}  // namespace

TEST(Registry, KeysValuesAndTypesLiveInOneIniFile) {
    RegistryFile file;
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Sdelka\\Grid", false));
    ASSERT_TRUE(reg.OpenKey("Software\\Sdelka\\Grid", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Sdelka\\Grid");
    reg.WriteString("Caption", u"Наряды"_S);
    reg.WriteInteger("Width", -2);
    reg.WriteBool("Visible", true);
    reg.WriteString("", "default value");
    const char bytes[] = {0, 1, '\xFE'};
    reg.WriteBinaryData("Blob", bytes, 3);
    // Texts that would not read back as themselves are quoted.
    const String tricky[] = {"  padded  ", "dword:0000002a", "\"quoted\"", "two\r\nlines\\", "hex:01"};
    for (int i = 0; i < 5; ++i) reg.WriteString(QStringLiteral("T%1").arg(i), tricky[i]);

    TRegistry other;  // a second instance reads the file
    ASSERT_TRUE(other.OpenKey("\\software\\SDELKA\\grid", false));
    EXPECT_EQ(other.ReadString("caption"), u"Наряды"_S);
    EXPECT_EQ(other.ReadInteger("Width"), -2);
    EXPECT_TRUE(other.ReadBool("Visible"));
    EXPECT_EQ(other.ReadString(""), "default value");
    char buf[8] = {};
    EXPECT_EQ(other.ReadBinaryData("Blob", buf, 8), 3);
    EXPECT_EQ(QByteArray(buf, 3), QByteArray(bytes, 3));
    EXPECT_THROW(other.ReadBinaryData("Blob", buf, 2), ERegistryException);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(other.ReadString(QStringLiteral("T%1").arg(i)), tricky[i]);
    EXPECT_EQ(other.GetDataType("Width"), rdInteger);
    EXPECT_EQ(other.GetDataType("Blob"), rdBinary);
    EXPECT_EQ(other.GetDataType("Caption"), rdString);
    EXPECT_EQ(other.GetDataSize("Missing"), -1);
    EXPECT_EQ(other.ReadString("Missing"), "");
    try {
        other.ReadInteger("Missing");
        FAIL();
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Failed to get data for 'Missing'");
    }
    try {
        other.ReadInteger("Caption");
        FAIL();
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Invalid data type for 'Caption'");
    }

    // Key tree: parents exist through their sub-keys; deleting a key takes its sub-keys along.
    reg.CloseKey();
    EXPECT_TRUE(reg.KeyExists("Software\\Sdelka"));
    EXPECT_TRUE(reg.CreateKey("Software\\Sdelka\\Forms\\Main"));
    ASSERT_TRUE(reg.OpenKey("Software\\Sdelka", false));
    TStringList names;
    reg.GetKeyNames(&names);
    EXPECT_EQ(ToVector(&names), (std::vector<String>{"Grid", "Forms"}));
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.DeleteKey("Forms"));
    EXPECT_FALSE(reg.KeyExists("Forms\\Main"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Sdelka\\Forms"));
    ASSERT_TRUE(reg.OpenKey("Grid", false));  // relative to the open key
    EXPECT_TRUE(reg.DeleteValue("Width"));
    EXPECT_FALSE(reg.ValueExists("Width"));
    reg.GetValueNames(&names);
    EXPECT_EQ(names.Strings(0), "Caption");

    // Machine-wide keys are another root; a read-only key refuses writes.
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.KeyExists("Software\\Sdelka"));
    ASSERT_TRUE(machine.OpenKey("Software\\Sdelka", true));
    ASSERT_TRUE(machine.OpenKeyReadOnly("\\Software\\Sdelka"));
    EXPECT_THROW(machine.WriteInteger("X", 1), ERegistryException);
    TRegistry closed;
    EXPECT_THROW(closed.WriteString("X", "y"), ERegistryException);

    // The file is an INI file with keys as sections.
    TMemIniFile raw(file.Path);
    EXPECT_EQ(raw.ReadString("HKEY_CURRENT_USER\\Software\\Sdelka\\Grid", "Visible", ""), "dword:00000001");
    EXPECT_EQ(raw.ReadString("HKEY_CURRENT_USER\\Software\\Sdelka\\Grid", "@", ""), "default value");
    EXPECT_TRUE(raw.SectionExists("HKEY_LOCAL_MACHINE\\Software\\Sdelka"));
}

TEST(Registry, RegIniFileReadsAndWritesSectionsAsSubKeys) {
    RegistryFile file;
    {
        TRegIniFile ini("Software\\Sdelka");
        ini.WriteString("TfrmMainDBGrid1", "Name", "0,64,1,1,0,7,0,0,0");
        ini.WriteInteger("TfrmMainDBGrid1", "RowHeight", 18);
        ini.WriteBool("Options", "Sound", true);
        ini.WriteString("", "Top", "level");
        EXPECT_EQ(ini.CurrentPath(), "Software\\Sdelka");  // the open key is back where it was
    }
    TRegIniFile ini("Software\\Sdelka");
    EXPECT_EQ(ini.ReadString("tfrmmaindbgrid1", "name", "?"), "0,64,1,1,0,7,0,0,0");
    EXPECT_EQ(ini.ReadInteger("TfrmMainDBGrid1", "RowHeight", 0), 18);
    EXPECT_EQ(ini.ReadString("TfrmMainDBGrid1", "RowHeight", ""), "18");  // integers are written as text
    EXPECT_TRUE(ini.ReadBool("Options", "Sound", false));
    EXPECT_EQ(ini.ReadString("", "Top", ""), "level");
    EXPECT_EQ(ini.ReadString("Nowhere", "x", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("TfrmMainDBGrid1", "Name", -1), -1);

    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(ToVector(&list), (std::vector<String>{"TfrmMainDBGrid1", "Options"}));
    ini.ReadSectionValues("TfrmMainDBGrid1", &list);
    EXPECT_EQ(ToVector(&list), (std::vector<String>{"Name=0,64,1,1,0,7,0,0,0", "RowHeight=18"}));
    ini.DeleteKey("TfrmMainDBGrid1", "RowHeight");
    EXPECT_FALSE(ini.ValueExists("TfrmMainDBGrid1", "RowHeight"));
    ini.EraseSection("TfrmMainDBGrid1");
    EXPECT_FALSE(ini.SectionExists("TfrmMainDBGrid1"));
    EXPECT_TRUE(ini.SectionExists("Options"));

    // A registry integer is read through the INI calls too.
    TRegistry reg;
    reg.OpenKey("Software\\Sdelka\\Options", false);
    reg.WriteInteger("Volume", 7);
    EXPECT_EQ(ini.ReadInteger("Options", "Volume", 0), 7);
    EXPECT_EQ(ini.ReadString("Options", "Volume", ""), "7");
}

TEST(Registry, StorageFileFollowsTheEnvironment) {
    QTemporaryDir dir;
    String path = dir.filePath("env.ini");
    qputenv("SDELKA_REGISTRY_FILE", path.toLocal8Bit());
    EXPECT_EQ(TRegistry::StorageFileName(), path);
    qunsetenv("SDELKA_REGISTRY_FILE");
    EXPECT_TRUE(TRegistry::StorageFileName().endsWith("/sdelka/registry.ini"));
}

TEST(IniFiles, AnIniFileAndTheRegistrysFileKeepTheirOldBytesWhenTheDiskFails) {
    sdelka::test::ExpectSaverKeepsOldFile([](const String& Name) {
        TOwned<TMemIniFile> ini = NewOwned<TMemIniFile>(Name);
        ini->WriteString("Section", "Key", "a value long enough to pass the fault's limit");
        ini->UpdateFile();
    }, QStringLiteral("settings.ini"), 10);
    sdelka::test::ExpectSaverKeepsOldFile([](const String& Name) {
        TRegistry::SetStorageFileName(Name);
        struct TReset { ~TReset() { TRegistry::SetStorageFileName(String()); } } reset;
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Sdelka", true));
        reg.WriteString("Caption", "a value long enough to pass the fault's limit");
    }, QStringLiteral("registry.ini"), 10);
}
