// File and path routines. Paths use '/' only; the name routines work on the text and never touch
// the disk.
#pragma once

#include "platform/rtl/system.h"

inline constexpr Char PathDelim = u'/';

// True for an existing file (not a directory).
bool FileExists(const String& FileName);
bool DirectoryExists(const String& Directory);
// Creates the directory and every missing parent; false on failure or an empty name.
bool ForceDirectories(const String& Dir);
bool DeleteFile(const String& FileName);
// Fails when NewName exists.
bool RenameFile(const String& OldName, const String& NewName);

// "dir/name.ext": ExtractFileName "name.ext", ExtractFilePath "dir/", ExtractFileDir "dir",
// ExtractFileExt ".ext" (with the dot; "" when none).
String ExtractFileName(const String& FileName);
String ExtractFilePath(const String& FileName);
String ExtractFileDir(const String& FileName);
String ExtractFileExt(const String& FileName);
// Replaces (or adds) the extension; Extension includes the dot.
String ChangeFileExt(const String& FileName, const String& Extension);
// The absolute name against the current directory with "." and ".." resolved.
String ExpandFileName(const String& FileName);
String IncludeTrailingPathDelimiter(const String& S);
String ExcludeTrailingPathDelimiter(const String& S);

// The system temporary folder with a trailing delimiter.
String GetTempPath();
// Creates a new empty file in the temporary folder whose name starts with Prefix; returns its
// full name. EFCreateError when the file cannot be made.
String GetTempFileName(const String& Prefix);

// The local modification time of a file; false when it does not exist.
bool FileAge(const String& FileName, TDateTime& FileDateTime);
// Sets the modification time (local); 0 on success, else the system error code.
int FileSetDate(const String& FileName, TDateTime Age);
