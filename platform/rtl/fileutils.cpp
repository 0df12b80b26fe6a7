#include "platform/rtl/fileutils.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <sys/stat.h>
#include <sys/time.h>

namespace {

// 0-based index of the last character of Delimiters in S, or -1.
int LastDelimiter(const String& Delimiters, const String& S) {
    for (int i = static_cast<int>(S.size()) - 1; i >= 0; --i)
        if (Delimiters.contains(S[i])) return i;
    return -1;
}

const String PathDelimiters = QStringLiteral("/");
const String ExtDelimiters = QStringLiteral("./");

}  // namespace

bool FileExists(const String& FileName) {
    QFileInfo info(FileName);
    return !FileName.isEmpty() && info.exists() && !info.isDir();
}

bool DirectoryExists(const String& Directory) {
    return !Directory.isEmpty() && QFileInfo(Directory).isDir();
}

bool ForceDirectories(const String& Dir) {
    if (Dir.isEmpty()) return false;
    return QDir().mkpath(Dir);
}

bool DeleteFile(const String& FileName) {
    if (FileName.isEmpty() || QFileInfo(FileName).isDir()) return false;
    return QFile::remove(FileName);
}

bool RenameFile(const String& OldName, const String& NewName) {
    return QFile::rename(OldName, NewName);
}

String ExtractFileName(const String& FileName) {
    return FileName.mid(LastDelimiter(PathDelimiters, FileName) + 1);
}

String ExtractFilePath(const String& FileName) {
    return FileName.left(LastDelimiter(PathDelimiters, FileName) + 1);
}

String ExtractFileDir(const String& FileName) {
    int i = LastDelimiter(PathDelimiters, FileName);
    // "dir/name" gives "dir"; a root "/name" keeps its "/".
    if (i > 0 && FileName[i - 1] != PathDelim) --i;
    return FileName.left(i + 1);
}

String ExtractFileExt(const String& FileName) {
    int i = LastDelimiter(ExtDelimiters, FileName);
    if (i >= 0 && FileName[i] == u'.') return FileName.mid(i);
    return String();
}

String ChangeFileExt(const String& FileName, const String& Extension) {
    int i = LastDelimiter(ExtDelimiters, FileName);
    if (i < 0 || FileName[i] != u'.') i = static_cast<int>(FileName.size());
    return FileName.left(i) + Extension;
}

String ExpandFileName(const String& FileName) {
    if (FileName.isEmpty()) return String();
    String result = QDir::cleanPath(QDir::current().absoluteFilePath(FileName));
    if (FileName.endsWith(PathDelim) && !result.endsWith(PathDelim)) result += PathDelim;
    return result;
}

String IncludeTrailingPathDelimiter(const String& S) {
    return S.endsWith(PathDelim) ? S : S + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& S) {
    return S.endsWith(PathDelim) ? S.left(S.size() - 1) : S;
}

String GetTempPath() { return IncludeTrailingPathDelimiter(QDir::tempPath()); }

String GetTempFileName(const String& Prefix) {
    QTemporaryFile file(GetTempPath() + Prefix + QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw EFCreateError(QStringLiteral("Cannot create file \"%s\". %s"),
                            {GetTempPath() + Prefix, file.errorString()});
    String name = file.fileName();
    file.close();
    return name;
}

bool FileAge(const String& FileName, TDateTime& FileDateTime) {
    QFileInfo info(FileName);
    if (FileName.isEmpty() || !info.exists()) return false;
    const QDateTime local = info.lastModified().toLocalTime();
    FileDateTime = QDateTimeToDateTime(QDateTime(local.date(), local.time(), Qt::UTC));
    return true;
}

int FileSetDate(const String& FileName, TDateTime Age) {
    const QDateTime fields = DateTimeToQDateTime(Age);
    const QDateTime local(fields.date(), fields.time(), Qt::LocalTime);
    const qint64 ms = local.toMSecsSinceEpoch();
    struct timeval times[2];
    const qint64 secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    for (auto& t : times) {
        t.tv_sec = static_cast<time_t>(secs);
        t.tv_usec = static_cast<suseconds_t>((ms - secs * 1000) * 1000);
    }
    if (::utimes(QFile::encodeName(FileName).constData(), times) != 0) return errno;
    return 0;
}
