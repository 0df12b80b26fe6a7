// Text-level helpers of the PostgreSQL client layer that need no server: the mapping of an
// ODBC-form connection string to a libpq connection string, and the rewriting of ":name"
// parameters into positional "$n" parameters.
#pragma once

#include "platform/rtl/system.h"

#include <QStringList>
#include <utility>
#include <vector>

// One key/value pair of an ODBC-form connection string ("KEY=value;KEY={va;lue}").
struct TPgConnectionStringItem {
    String Key;    // as written, trimmed
    String Value;  // braces removed, "}}" inside braces read as "}"
};

// Splits an ODBC-form connection string into its pairs, in order. Keys are trimmed; a value in
// braces keeps everything up to the closing brace (";" included, "}}" stands for "}"); an
// unbraced value runs to the next ";" and is trimmed. Empty segments are skipped; a segment
// without "=" is a key with an empty value.
std::vector<TPgConnectionStringItem> SplitPgConnectionString(const String& AConnectionString);

// The libpq parameters (keyword, value) for an ODBC-form connection string:
//   DATABASE -> dbname, SERVER -> host (a host name, an address or a socket directory),
//   PORT -> port, UID -> user, PWD -> password, SSLmode -> sslmode (lower-cased),
//   DSN or "Data Source" -> service.
// Keys are case-insensitive; the last occurrence of a key wins; empty values are left out (the
// library's defaults and the PG* environment apply). Everything else (DRIVER, Provider and the
// driver's tuning options) is accepted and ignored. client_encoding is always UTF8.
std::vector<std::pair<String, String>> PgConnectionParams(const String& AConnectionString);

// The same parameters as one libpq connection-info text: "dbname='x' host='y'", values quoted
// with "\" and "'" escaped.
String PgConnInfo(const String& AConnectionString);

// The outcome of ParsePgSqlParams.
struct TPgParsedSql {
    String Sql;          // the text with each ":name" replaced by "$n"
    QStringList Names;   // the distinct names in the order of first use; Names[n-1] is "$n"
};

// Rewrites ":name" parameters into "$1", "$2" … . A name starts with a letter or "_" and goes on
// with letters, digits and "_"; names compare case-insensitively, so a name used twice binds the
// same "$n". Skipped: text in single quotes (with '' and, in E'…' strings, backslash escapes),
// double-quoted identifiers, dollar-quoted strings ($$…$$, $tag$…$tag$), "--" comments to the end
// of the line, "/* */" comments (nested), and "::" casts. A ":" that does not start a name is
// left alone.
TPgParsedSql ParsePgSqlParams(const String& ASql);
