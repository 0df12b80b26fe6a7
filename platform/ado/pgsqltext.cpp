#include "platform/ado/pgsqltext.h"

namespace {

bool IsIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool IsIdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// The libpq keyword for a key of the ODBC-form string, or an empty text for keys we ignore.
String PgKeyword(const String& AKey) {
    const String k = AKey.trimmed().toLower();
    if (k == u"database") return QStringLiteral("dbname");
    if (k == u"server") return QStringLiteral("host");
    if (k == u"port") return QStringLiteral("port");
    if (k == u"uid") return QStringLiteral("user");
    if (k == u"pwd") return QStringLiteral("password");
    if (k == u"sslmode") return QStringLiteral("sslmode");
    if (k == u"dsn" || k == u"data source") return QStringLiteral("service");
    return {};
}

}  // namespace

std::vector<TPgConnectionStringItem> SplitPgConnectionString(const String& S) {
    std::vector<TPgConnectionStringItem> result;
    const qsizetype n = S.size();
    qsizetype i = 0;
    while (i < n) {
        // key: up to "=" or ";"
        qsizetype k = i;
        while (k < n && S[k] != u'=' && S[k] != u';') ++k;
        TPgConnectionStringItem item;
        item.Key = S.mid(i, k - i).trimmed();
        i = k;
        if (i < n && S[i] == u'=') {
            ++i;
            qsizetype v = i;
            while (v < n && S[v].isSpace()) ++v;
            if (v < n && S[v] == u'{') {
                // braced value: "}}" is a literal "}", a single "}" closes it
                ++v;
                String value;
                while (v < n) {
                    if (S[v] == u'}') {
                        if (v + 1 < n && S[v + 1] == u'}') {
                            value += u'}';
                            v += 2;
                            continue;
                        }
                        ++v;
                        break;
                    }
                    value += S[v++];
                }
                item.Value = value;
                while (v < n && S[v] != u';') ++v;  // anything after the closing brace is dropped
                i = v;
            } else {
                qsizetype e = i;
                while (e < n && S[e] != u';') ++e;
                item.Value = S.mid(i, e - i).trimmed();
                i = e;
            }
        }
        if (i < n && S[i] == u';') ++i;
        if (!item.Key.isEmpty()) result.push_back(std::move(item));
    }
    return result;
}

std::vector<std::pair<String, String>> PgConnectionParams(const String& AConnectionString) {
    std::vector<std::pair<String, String>> result;
    auto put = [&](const String& key, const String& value) {
        for (auto& p : result)
            if (p.first == key) {
                p.second = value;
                return;
            }
        result.emplace_back(key, value);
    };
    for (const auto& item : SplitPgConnectionString(AConnectionString)) {
        const String keyword = PgKeyword(item.Key);
        if (keyword.isEmpty()) continue;
        put(keyword, keyword == u"sslmode" ? item.Value.toLower() : item.Value);
    }
    // An empty value means "not given": the library's default (or PG* variable) applies.
    std::erase_if(result, [](const auto& p) { return p.second.isEmpty(); });
    put(QStringLiteral("client_encoding"), QStringLiteral("UTF8"));
    return result;
}

String PgConnInfo(const String& AConnectionString) {
    QStringList parts;
    for (const auto& [key, value] : PgConnectionParams(AConnectionString)) {
        String v = value;
        v.replace(u'\\', QStringLiteral("\\\\"));
        v.replace(u'\'', QStringLiteral("\\'"));
        parts << key + QStringLiteral("='") + v + u'\'';
    }
    return parts.join(u' ');
}

TPgParsedSql ParsePgSqlParams(const String& S) {
    TPgParsedSql result;
    String& out = result.Sql;
    out.reserve(S.size() + 8);
    const qsizetype n = S.size();
    qsizetype i = 0;
    auto prevIsIdent = [&](qsizetype p) { return p > 0 && (IsIdentChar(S[p - 1]) || S[p - 1] == u'$'); };

    while (i < n) {
        const QChar c = S[i];
        // single-quoted text; E'…' also knows backslash escapes
        if (c == u'\'') {
            const bool escapes = i > 0 && (S[i - 1] == u'E' || S[i - 1] == u'e') && !prevIsIdent(i - 1);
            qsizetype j = i + 1;
            while (j < n) {
                if (escapes && S[j] == u'\\' && j + 1 < n) {
                    j += 2;
                    continue;
                }
                if (S[j] == u'\'') {
                    if (j + 1 < n && S[j + 1] == u'\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            out += S.mid(i, j - i);
            i = j;
            continue;
        }
        // double-quoted identifier
        if (c == u'"') {
            qsizetype j = i + 1;
            while (j < n) {
                if (S[j] == u'"') {
                    if (j + 1 < n && S[j + 1] == u'"') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            out += S.mid(i, j - i);
            i = j;
            continue;
        }
        // -- comment
        if (c == u'-' && i + 1 < n && S[i + 1] == u'-') {
            qsizetype j = i;
            while (j < n && S[j] != u'\n') ++j;
            out += S.mid(i, j - i);
            i = j;
            continue;
        }
        // /* comment */ (they nest)
        if (c == u'/' && i + 1 < n && S[i + 1] == u'*') {
            qsizetype j = i + 2;
            int depth = 1;
            while (j < n && depth > 0) {
                if (S[j] == u'/' && j + 1 < n && S[j + 1] == u'*') {
                    ++depth;
                    j += 2;
                } else if (S[j] == u'*' && j + 1 < n && S[j + 1] == u'/') {
                    --depth;
                    j += 2;
                } else {
                    ++j;
                }
            }
            out += S.mid(i, j - i);
            i = j;
            continue;
        }
        // $tag$ … $tag$ (a "$" inside an identifier, or "$1", is not a quote)
        if (c == u'$' && !prevIsIdent(i)) {
            qsizetype j = i + 1;
            if (j < n && IsIdentStart(S[j]))
                while (j < n && IsIdentChar(S[j])) ++j;
            if (j < n && S[j] == u'$') {
                const String tag = S.mid(i, j - i + 1);
                const qsizetype close = S.indexOf(tag, j + 1);
                const qsizetype end = close < 0 ? n : close + tag.size();
                out += S.mid(i, end - i);
                i = end;
                continue;
            }
            out += c;
            ++i;
            continue;
        }
        if (c == u':') {
            // "::type" cast: both colons pass through
            if (i + 1 < n && S[i + 1] == u':') {
                out += QStringLiteral("::");
                i += 2;
                continue;
            }
            if (i + 1 < n && IsIdentStart(S[i + 1])) {
                qsizetype j = i + 1;
                while (j < n && IsIdentChar(S[j])) ++j;
                const String name = S.mid(i + 1, j - i - 1);
                int index = -1;
                for (int k = 0; k < result.Names.size(); ++k)
                    if (result.Names[k].compare(name, Qt::CaseInsensitive) == 0) {
                        index = k;
                        break;
                    }
                if (index < 0) {
                    result.Names << name;
                    index = static_cast<int>(result.Names.size()) - 1;
                }
                out += u'$' + QString::number(index + 1);
                i = j;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return result;
}
