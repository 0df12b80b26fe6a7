#include "platform/rtl/fileutils.h"

#include "platform/rtl/dateutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FileNameTest, NameRoutinesSplitOnTheLastDelimiter) {
    struct Case {
        const char* name;
        const char* fileName;
        const char* path;
        const char* dir;
        const char* ext;
    };
    const Case cases[] = {
        {"/home/user/report.fr3", "report.fr3", "/home/user/", "/home/user", ".fr3"},
        {"relative/a.b.c", "a.b.c", "relative/", "relative", ".c"},
        {"noext", "noext", "", "", ""},
        {"/root.txt", "root.txt", "/", "/", ".txt"},
        {"dir.d/file", "file", "dir.d/", "dir.d", ""},  // a dot in the folder is no extension
        {"/home/user/", "", "/home/user/", "/home/user", ""},
        {".hidden", ".hidden", "", "", ".hidden"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const String n = QString::fromUtf8(c.name);
        EXPECT_EQ(ExtractFileName(n), QString::fromUtf8(c.fileName));
        EXPECT_EQ(ExtractFilePath(n), QString::fromUtf8(c.path));
        EXPECT_EQ(ExtractFileDir(n), QString::fromUtf8(c.dir));
        EXPECT_EQ(ExtractFileExt(n), QString::fromUtf8(c.ext));
    }
}

TEST(FileNameTest, ChangeFileExtAndTrailingDelimiters) {
    EXPECT_EQ(ChangeFileExt(u"/tmp/Наряд.xls"_S, u".xlsx"_S), u"/tmp/Наряд.xlsx"_S);
    EXPECT_EQ(ChangeFileExt(u"dir.d/file"_S, u".txt"_S), u"dir.d/file.txt"_S);
    EXPECT_EQ(ChangeFileExt(u"a.b.c"_S, String()), u"a.b"_S);

    EXPECT_EQ(IncludeTrailingPathDelimiter(u"/tmp"_S), u"/tmp/"_S);
    EXPECT_EQ(IncludeTrailingPathDelimiter(u"/tmp/"_S), u"/tmp/"_S);
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"/tmp/"_S), u"/tmp"_S);
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"/tmp"_S), u"/tmp"_S);
    EXPECT_EQ(PathDelim, QChar(u'/'));
}

TEST(FileNameTest, ExpandFileNameResolvesAgainstTheCurrentFolder) {
    QTemporaryDir dir;
    const String base = QDir(dir.path()).canonicalPath();
    const String oldCwd = QDir::currentPath();
    QDir::setCurrent(base);
    EXPECT_EQ(ExpandFileName(u"a/../b/./c.txt"_S), base + u"/b/c.txt"_S);
    EXPECT_EQ(ExpandFileName(u"/x/y/../z"_S), u"/x/z"_S);
    EXPECT_EQ(ExpandFileName(u"sub/"_S), base + u"/sub/"_S);
    EXPECT_EQ(ExpandFileName(String()), String());
    QDir::setCurrent(oldCwd);
}

TEST(FileSystemTest, CreateRenameDeleteAndQuery) {
    QTemporaryDir dir;
    const String root = IncludeTrailingPathDelimiter(dir.path());
    const String deep = root + u"a/б/c"_S;
    EXPECT_FALSE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep));  // already there
    EXPECT_FALSE(ForceDirectories(String()));
    EXPECT_FALSE(FileExists(deep));  // a folder is not a file

    const String file = deep + u"/f.txt"_S;
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));

    const String other = deep + u"/g.txt"_S;
    QFile(other).open(QIODevice::WriteOnly);
    EXPECT_FALSE(RenameFile(file, other));  // an existing target is not replaced
    EXPECT_TRUE(DeleteFile(other));
    EXPECT_TRUE(RenameFile(file, other));
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(FileExists(other));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_FALSE(DeleteFile(deep));  // folders are not deleted as files
}

TEST(FileSystemTest, TempFileNamesAreNewFilesWithThePrefix) {
    const String tmp = GetTempPath();
    EXPECT_TRUE(tmp.endsWith(PathDelim));
    EXPECT_TRUE(DirectoryExists(tmp));

    const String a = GetTempFileName(u"sdk"_S);
    const String b = GetTempFileName(u"sdk"_S);
    EXPECT_NE(a, b);
    for (const String& n : {a, b}) {
        EXPECT_TRUE(FileExists(n)) << n.toStdString();
        EXPECT_EQ(ExtractFilePath(n), tmp);
        EXPECT_TRUE(ExtractFileName(n).startsWith(u"sdk"_S));
        EXPECT_EQ(QFileInfo(n).size(), 0);
        DeleteFile(n);
    }
}

TEST(FileSystemTest, FileSetDateAndFileAgeRoundTripInLocalTime) {
    QTemporaryDir dir;
    const String name = dir.filePath(QStringLiteral("dated.txt"));
    TDateTime age = 0;
    EXPECT_FALSE(FileAge(name, age));
    QFile(name).open(QIODevice::WriteOnly);

    const TDateTime when = QDateTimeToDateTime(QDateTime(QDate(2023, 3, 15), QTime(14, 30, 5), Qt::UTC));
    EXPECT_EQ(FileSetDate(name, when), 0);
    ASSERT_TRUE(FileAge(name, age));
    EXPECT_NEAR(age, when, 1e-9);
    EXPECT_EQ(QFileInfo(name).lastModified().toLocalTime().time(), QTime(14, 30, 5));

    EXPECT_NE(FileSetDate(dir.filePath(QStringLiteral("none")), when), 0);
}
