#include "platform/gui/rtf.h"

#include "platform/gui/canvas.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

// ---- code pages --------------------------------------------------------------------------------

namespace {

QChar ByteToChar(unsigned char b, int CodePage) { return CodePageByteToChar(b, CodePage); }
bool CharToByte(QChar c, int CodePage, unsigned char& b) { return CharToCodePageByte(c, CodePage, b); }

int CharsetToCodePage(int Charset) {
    switch (Charset) {
        case 204: return 1251;
        case 0: return 1252;
        default: return 0;  // the document's page
    }
}

}  // namespace

bool IsRtf(const QByteArray& Text) { return Text.startsWith("{\\rtf") || Text.startsWith("{urtf"); }
bool IsRtf(const String& Text) { return Text.startsWith(u"{\\rtf") || Text.startsWith(u"{urtf"); }

// ---- writer ------------------------------------------------------------------------------------

namespace {

constexpr double TwipsPerUnit = 15.0;  // document units are pixels at 96 per inch
constexpr int WriteCodePage = 1251;

int ToTwips(double Units) { return static_cast<int>(std::lround(Units * TwipsPerUnit)); }

struct CharState {
    int Font = 0;
    int HalfPoints = 24;
    int Color = 0;
    bool Bold = false, Italic = false, Underline = false, Strike = false;
};

class RtfWriter {
public:
    explicit RtfWriter(const QTextDocument& Doc) : doc(Doc) {}

    QByteArray Write() {
        defaultFamily = doc.defaultFont().family();
        defaultHalfPoints = HalfPointsOf(doc.defaultFont().pointSizeF());
        FontIndex(defaultFamily);
        // First pass: tables.
        bool anyBullet = false;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            if (b.textList()) anyBullet = true;
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                FontIndex(FamilyOf(f));
                if (HasColor(f)) ColorIndex(f.foreground().color());
            }
        }
        if (anyBullet) symbolFont = FontIndex(QStringLiteral("Symbol"));

        QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl";
        for (int i = 0; i < fonts.size(); ++i) {
            const bool symbol = i == symbolFont;
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset" + (symbol ? "2" : "204") + ' ';
            out += Escape(fonts.at(i)) + ";}";
        }
        out += "}\r\n";
        if (!colors.isEmpty()) {
            out += "{\\colortbl ;";
            for (const QColor& c : colors)
                out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
                       QByteArray::number(c.blue()) + ';';
            out += "}\r\n";
        }
        out += "\\viewkind4\\uc1";
        state = CharState{};
        state.HalfPoints = -1;  // forces \f and \fs on the first run
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            if (b != doc.begin()) out += "\\par\r\n";
            WriteParagraph(out, b);
        }
        out += "}\r\n";
        return out;
    }

private:
    static int HalfPointsOf(double Points) { return Points > 0 ? static_cast<int>(std::lround(Points * 2)) : 24; }
    static bool HasColor(const QTextCharFormat& f) {
        return f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush;
    }
    String FamilyOf(const QTextCharFormat& f) const {
        const QStringList families = f.fontFamilies().toStringList();
        if (!families.isEmpty() && !families.first().isEmpty()) return families.first();
        return defaultFamily;
    }
    int FontIndex(const String& Family) {
        for (int i = 0; i < fonts.size(); ++i)
            if (fonts.at(i).compare(Family, Qt::CaseInsensitive) == 0) return i;
        fonts.append(Family);
        return static_cast<int>(fonts.size()) - 1;
    }
    int ColorIndex(const QColor& c) {
        const QColor rgb = c.toRgb();
        for (int i = 0; i < colors.size(); ++i)
            if (colors.at(i).rgb() == rgb.rgb()) return i + 1;
        colors.append(rgb);
        return static_cast<int>(colors.size());
    }

    // Text of the document as RTF characters.
    static QByteArray Escape(const String& Text) {
        QByteArray out;
        for (QChar c : Text) {
            const char16_t u = c.unicode();
            if (u == u'\\' || u == u'{' || u == u'}') {
                out += '\\';
                out += static_cast<char>(u);
            } else if (u == u'\t') {
                out += "\\tab ";
            } else if (u == 0x2028 || u == u'\n' || u == 0x2029) {
                out += "\\line ";
            } else if (u == 0x00A0) {
                out += "\\~";
            } else if (u == 0xFFFC || u == u'\r') {
                // embedded objects are not part of the text subset
            } else if (u < 0x80) {
                out += static_cast<char>(u);
            } else {
                unsigned char b = 0;
                if (CharToByte(c, WriteCodePage, b)) {
                    out += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
                } else {
                    out += "\\u" + QByteArray::number(static_cast<int>(static_cast<std::int16_t>(u))) + '?';
                }
            }
        }
        return out;
    }

    void WriteParagraph(QByteArray& out, const QTextBlock& b) {
        const QTextBlockFormat bf = b.blockFormat();
        out += "\\pard";
        QTextList* list = b.textList();
        if (list) {
            out += "{\\pntext\\f" + QByteArray::number(symbolFont) + "\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf" +
                   QByteArray::number(symbolFont) + "\\pnindent0{\\pntxtb\\'B7}}";
        }
        const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignHCenter)
            out += "\\qc";
        else if (a & Qt::AlignRight)
            out += "\\qr";
        else if (a & Qt::AlignJustify)
            out += "\\qj";
        double left = bf.leftMargin() + bf.indent() * doc.indentWidth();
        if (list) left += list->format().indent() * doc.indentWidth();
        if (left != 0) out += "\\li" + QByteArray::number(ToTwips(left));
        if (bf.rightMargin() != 0) out += "\\ri" + QByteArray::number(ToTwips(bf.rightMargin()));
        if (bf.textIndent() != 0) out += "\\fi" + QByteArray::number(ToTwips(bf.textIndent()));
        if (bf.topMargin() != 0) out += "\\sb" + QByteArray::number(ToTwips(bf.topMargin()));
        if (bf.bottomMargin() != 0) out += "\\sa" + QByteArray::number(ToTwips(bf.bottomMargin()));
        bool first = true;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            WriteCharState(out, frag.charFormat(), first);
            first = false;
            out += Escape(frag.text());
        }
        if (first) WriteCharState(out, b.charFormat(), true);
    }

    void WriteCharState(QByteArray& out, const QTextCharFormat& f, bool ForceSeparator) {
        CharState s;
        s.Font = FontIndex(FamilyOf(f));
        s.HalfPoints = f.fontPointSize() > 0 ? HalfPointsOf(f.fontPointSize()) : defaultHalfPoints;
        s.Color = HasColor(f) ? ColorIndex(f.foreground().color()) : 0;
        s.Bold = f.fontWeight() > QFont::Medium;
        s.Italic = f.fontItalic();
        s.Underline = f.fontUnderline();
        s.Strike = f.fontStrikeOut();
        QByteArray w;
        if (s.Font != state.Font || state.HalfPoints < 0) w += "\\f" + QByteArray::number(s.Font);
        if (s.HalfPoints != state.HalfPoints) w += "\\fs" + QByteArray::number(s.HalfPoints);
        if (s.Color != state.Color) w += "\\cf" + QByteArray::number(s.Color);
        if (s.Bold != state.Bold) w += s.Bold ? "\\b" : "\\b0";
        if (s.Italic != state.Italic) w += s.Italic ? "\\i" : "\\i0";
        if (s.Underline != state.Underline) w += s.Underline ? "\\ul" : "\\ulnone";
        if (s.Strike != state.Strike) w += s.Strike ? "\\strike" : "\\strike0";
        state = s;
        // The paragraph's control words end with a space before the text.
        if (!w.isEmpty() || ForceSeparator) out += w + ' ';
    }

    const QTextDocument& doc;
    QStringList fonts;
    QList<QColor> colors;
    String defaultFamily;
    int defaultHalfPoints = 24;
    int symbolFont = -1;
    CharState state;
};

}  // namespace

QByteArray DocumentToRtf(const QTextDocument& Doc) { return RtfWriter(Doc).Write(); }

// ---- reader ------------------------------------------------------------------------------------

namespace {

enum class Dest { Text, Skip, FontTable, ColorTable, Pn };

struct ParaState {
    Qt::Alignment Align = Qt::AlignLeft;
    int Li = 0, Ri = 0, Fi = 0, Sb = 0, Sa = 0;  // twips
    bool Bullet = false;
};

struct GroupState {
    Dest D = Dest::Text;
    CharState C;
    ParaState P;
    int Uc = 1;
};

struct Run {
    String Text;
    QTextCharFormat Format;
};

struct Paragraph {
    ParaState P;
    std::vector<Run> Runs;
    QTextCharFormat EndFormat;
};

struct FontEntry {
    String Name;
    int Charset = -1;
};

class RtfReader {
public:
    explicit RtfReader(const QByteArray& Data) : data(Data) {}

    std::vector<Paragraph> Read() {
        paragraphs.emplace_back();
        while (pos < data.size()) {
            const char ch = data[pos];
            if (ch == '{') {
                ++pos;
                CloseText();
                skipChars = 0;
                // Past a depth no document reaches, braces only count: the state stays that of
                // the last group kept, so a run of braces costs no memory.
                if (stack.size() < MaxGroupDepth) stack.push_back(st);
                else ++uncounted;
                afterGroupStart = true;
                continue;
            }
            if (ch == '}') {
                ++pos;
                EndGroup();
                continue;
            }
            if (ch == '\\') {
                ++pos;
                ControlWord();
                afterGroupStart = false;
                continue;
            }
            ++pos;
            afterGroupStart = false;
            if (ch == '\r' || ch == '\n') continue;
            Byte(static_cast<unsigned char>(ch));
        }
        CloseText();
        return std::move(paragraphs);
    }

    std::vector<FontEntry> fonts;

private:
    void EndGroup() {
        CloseText();
        skipChars = 0;
        if (st.D == Dest::FontTable && fontEntry >= 0) {
            // an entry in a group of its own ends here
            fontEntry = -1;
        }
        if (uncounted > 0) {
            --uncounted;
            return;
        }
        if (stack.empty()) return;  // unbalanced: ignore the extra brace
        const Dest inner = st.D;
        st = stack.back();
        stack.pop_back();
        if (inner == Dest::Pn && st.D == Dest::Text && pnBullet) {
            st.P.Bullet = true;
            paragraphs.back().P.Bullet = true;
        }
    }

    // Text bytes of the current destination.
    void Byte(unsigned char b) {
        if (skipChars > 0) {
            --skipChars;
            return;
        }
        AddChar(ByteToChar(b, CurrentCodePage()));
    }

    int CurrentCodePage() const {
        const int fi = FontSlot(st.C.Font);
        if (fi >= 0) {
            const int cp = CharsetToCodePage(fonts[fi].Charset);
            if (cp) return cp;
        }
        return codePage;
    }

    void AddChar(QChar c) {
        switch (st.D) {
            case Dest::Text: pending += c; break;
            case Dest::FontTable:
                if (fontEntry >= 0) {
                    if (c == u';')
                        fontNameDone = true;
                    else if (!fontNameDone)
                        fonts[fontEntry].Name += c;
                }
                break;
            case Dest::ColorTable:
                if (c == u';') {
                    colors.push_back(colorSet ? QColor(red, green, blue) : QColor());
                    red = green = blue = 0;
                    colorSet = false;
                }
                break;
            default: break;
        }
    }

    // Flushes the pending text as a run with the current character format.
    void CloseText() {
        if (pending.isEmpty()) return;
        paragraphs.back().Runs.push_back({pending, Format(st.C)});
        pending.clear();
    }

    QTextCharFormat Format(const CharState& c) const {
        QTextCharFormat f;
        const int fi = FontSlot(c.Font);
        if (fi >= 0 && !fonts[fi].Name.trimmed().isEmpty()) f.setFontFamilies({fonts[fi].Name.trimmed()});
        f.setFontPointSize(c.HalfPoints / 2.0);
        f.setFontWeight(c.Bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(c.Italic);
        f.setFontUnderline(c.Underline);
        f.setFontStrikeOut(c.Strike);
        if (c.Color > 0 && c.Color < static_cast<int>(colors.size()) && colors[c.Color].isValid())
            f.setForeground(colors[c.Color]);
        return f;
    }

    int FontSlot(int Number) const {
        if (Number < 0 || Number >= static_cast<int>(fontNumbers.size())) return -1;
        const int slot = fontNumbers[Number];
        return slot >= 0 && slot < static_cast<int>(fonts.size()) ? slot : -1;
    }

    void NewParagraph() {
        CloseText();
        paragraphs.back().P = st.P;
        paragraphs.back().EndFormat = Format(st.C);
        paragraphs.emplace_back();
        paragraphs.back().P = st.P;
    }

    void ControlWord() {
        if (pos >= data.size()) return;
        const char ch = data[pos];
        if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'))) {
            ++pos;
            ControlSymbol(ch);
            return;
        }
        const qsizetype start = pos;
        while (pos < data.size() && ((data[pos] >= 'a' && data[pos] <= 'z') || (data[pos] >= 'A' && data[pos] <= 'Z'))) ++pos;
        const QByteArray word = data.mid(start, pos - start);
        bool hasParam = false;
        long param = 0;
        bool negative = false;
        if (pos < data.size() && data[pos] == '-' && pos + 1 < data.size() && data[pos + 1] >= '0' && data[pos + 1] <= '9') {
            negative = true;
            ++pos;
        }
        while (pos < data.size() && data[pos] >= '0' && data[pos] <= '9') {
            hasParam = true;
            if (param < 100000000) param = param * 10 + (data[pos] - '0');
            ++pos;
        }
        if (negative) param = -param;
        if (pos < data.size() && data[pos] == ' ') ++pos;  // the delimiter belongs to the word
        Word(word, hasParam, static_cast<int>(param));
    }

    void ControlSymbol(char ch) {
        switch (ch) {
            case '\'': {
                if (pos + 2 > data.size()) return;
                bool ok = false;
                const int b = data.mid(pos, 2).toInt(&ok, 16);
                pos += 2;
                if (ok) Byte(static_cast<unsigned char>(b));
                return;
            }
            case '*':
                if (afterGroupStart) ignorable = true;
                return;
            case '\\': case '{': case '}': Text(QChar(ch)); return;
            case '~': Text(QChar(0x00A0)); return;
            case '_': Text(QChar(u'-')); return;
            case '-': return;  // optional hyphen
            case '\r': case '\n': Par(); return;
            case '\t': Text(QChar(u'\t')); return;
            default: return;
        }
    }

    void Text(QChar c) {
        if (skipChars > 0) {
            --skipChars;
            return;
        }
        AddChar(c);
    }

    void Par() {
        if (st.D == Dest::Text) NewParagraph();
    }

    void StartDestination(Dest d) {
        CloseText();
        st.D = d;
    }

    void Word(const QByteArray& w, bool hasParam, int param) {
        const bool wasIgnorable = ignorable;
        ignorable = false;
        // The fallback of a \uN is characters; a control word ends it.
        if (w != "u") skipChars = 0;
        if (st.D == Dest::Skip) return;
        const int on = hasParam ? param : 1;

        // destinations
        if (w == "fonttbl") return StartDestination(Dest::FontTable);
        if (w == "colortbl") {
            StartDestination(Dest::ColorTable);
            colors.clear();
            return;
        }
        if (w == "pn" && st.D == Dest::Text) {
            StartDestination(Dest::Pn);
            pnBullet = false;
            return;
        }
        if (w == "pntext" || w == "listtext" || w == "stylesheet" || w == "info" || w == "pict" || w == "object" ||
            w == "header" || w == "headerl" || w == "headerr" || w == "headerf" || w == "footer" || w == "footerl" ||
            w == "footerr" || w == "footerf" || w == "fldinst" || w == "footnote" || w == "author" || w == "title" ||
            w == "operator" || w == "xe" || w == "tc" || w == "bkmkstart" || w == "bkmkend" || w == "filetbl" ||
            w == "revtbl" || w == "rsidtbl" || w == "listtable" || w == "listoverridetable" || w == "themedata" ||
            w == "colorschememapping" || w == "latentstyles" || w == "datastore" || w == "generator" ||
            w == "pntxta" || w == "pntxtb")
            return StartDestination(Dest::Skip);
        if (wasIgnorable && st.D != Dest::Pn) return StartDestination(Dest::Skip);

        if (st.D == Dest::FontTable) {
            if (w == "f") {
                fontEntry = static_cast<int>(fonts.size());
                fonts.push_back({String(), -1});
                if (param >= 0) {
                    if (param >= static_cast<int>(fontNumbers.size()) && param < 4096) fontNumbers.resize(param + 1, -1);
                    if (param < 4096) fontNumbers[param] = fontEntry;
                }
                fontNameDone = false;
            } else if (w == "fcharset" && fontEntry >= 0) {
                fonts[fontEntry].Charset = param;
            }
            return;
        }
        if (st.D == Dest::ColorTable) {
            if (w == "red") red = std::clamp(param, 0, 255), colorSet = true;
            else if (w == "green") green = std::clamp(param, 0, 255), colorSet = true;
            else if (w == "blue") blue = std::clamp(param, 0, 255), colorSet = true;
            return;
        }
        if (st.D == Dest::Pn) {
            if (w == "pnlvlblt") pnBullet = true;
            return;
        }

        // header words
        if (w == "ansicpg") {
            codePage = param;
            return;
        }
        if (w == "deff") {
            defaultFont = param;
            st.C.Font = param;
            return;
        }
        if (w == "uc") {
            st.Uc = std::max(0, param);
            return;
        }
        if (w == "u") {
            int c = param;
            if (c < 0) c += 65536;
            Text(QChar(static_cast<char16_t>(c)));
            skipChars = st.Uc;
            return;
        }

        // special characters
        if (w == "par" || w == "row") return Par();
        if (w == "line") return Text(QChar(0x2028));
        if (w == "tab" || w == "cell") return Text(QChar(u'\t'));
        if (w == "bullet") return Text(QChar(0x2022));
        if (w == "emdash") return Text(QChar(0x2014));
        if (w == "endash") return Text(QChar(0x2013));
        if (w == "lquote") return Text(QChar(0x2018));
        if (w == "rquote") return Text(QChar(0x2019));
        if (w == "ldblquote") return Text(QChar(0x201C));
        if (w == "rdblquote") return Text(QChar(0x201D));
        if (w == "emspace" || w == "enspace") return Text(QChar(u' '));

        // character formatting
        auto charWord = [&](auto fn) {
            CloseText();
            fn();
        };
        if (w == "plain") return charWord([&] {
            st.C = CharState{};
            st.C.Font = defaultFont;
        });
        if (w == "f") return charWord([&] { st.C.Font = param; });
        if (w == "fs") return charWord([&] { st.C.HalfPoints = hasParam && param > 0 ? param : 24; });
        if (w == "b") return charWord([&] { st.C.Bold = on != 0; });
        if (w == "i") return charWord([&] { st.C.Italic = on != 0; });
        if (w == "strike") return charWord([&] { st.C.Strike = on != 0; });
        if (w == "ulnone") return charWord([&] { st.C.Underline = false; });
        if (w == "ul" || w == "uld" || w == "uldb" || w == "uldash" || w == "ulw" || w == "ulth" || w == "ulwave")
            return charWord([&] { st.C.Underline = on != 0; });
        if (w == "cf") return charWord([&] { st.C.Color = param; });

        // paragraph formatting
        if (w == "pard") {
            st.P = ParaState{};
            paragraphs.back().P = st.P;
            return;
        }
        if (w == "ql") st.P.Align = Qt::AlignLeft;
        else if (w == "qc") st.P.Align = Qt::AlignHCenter;
        else if (w == "qr") st.P.Align = Qt::AlignRight;
        else if (w == "qj") st.P.Align = Qt::AlignJustify;
        else if (w == "li") st.P.Li = param;
        else if (w == "ri") st.P.Ri = param;
        else if (w == "fi") st.P.Fi = param;
        else if (w == "sb") st.P.Sb = param;
        else if (w == "sa") st.P.Sa = param;
        else if (w == "ls") st.P.Bullet = true;
        else return;
        // A paragraph takes the properties in force at its end; keep the open one current.
        paragraphs.back().P = st.P;
    }

    const QByteArray& data;
    qsizetype pos = 0;
    GroupState st;
    std::vector<GroupState> stack;
    static constexpr size_t MaxGroupDepth = 256;
    long long uncounted = 0;  // groups opened beyond MaxGroupDepth
    std::vector<Paragraph> paragraphs;
    std::vector<int> fontNumbers;
    std::vector<QColor> colors;
    String pending;
    int codePage = 1252;
    int defaultFont = 0;
    int skipChars = 0;
    int fontEntry = -1;
    bool fontNameDone = false;
    bool ignorable = false;
    bool afterGroupStart = false;
    bool pnBullet = false;
    int red = 0, green = 0, blue = 0;
    bool colorSet = false;
};

void BuildDocument(const std::vector<Paragraph>& Paras, QTextDocument& Doc) {
    Doc.clear();
    QTextCursor cursor(&Doc);
    QTextList* list = nullptr;
    bool first = true;
    for (const Paragraph& p : Paras) {
        QTextBlockFormat bf;
        bf.setAlignment(p.P.Align);
        bf.setLeftMargin(p.P.Li / TwipsPerUnit);
        bf.setRightMargin(p.P.Ri / TwipsPerUnit);
        bf.setTextIndent(p.P.Fi / TwipsPerUnit);
        bf.setTopMargin(p.P.Sb / TwipsPerUnit);
        bf.setBottomMargin(p.P.Sa / TwipsPerUnit);
        const QTextCharFormat endFormat = p.Runs.empty() ? p.EndFormat : p.Runs.back().Format;
        if (first) {
            cursor.setBlockFormat(bf);
            cursor.setBlockCharFormat(endFormat);
            first = false;
        } else {
            cursor.insertBlock(bf, endFormat);
        }
        if (p.P.Bullet) {
            if (list) {
                list->add(cursor.block());
            } else {
                QTextListFormat lf;
                lf.setStyle(QTextListFormat::ListDisc);
                lf.setIndent(0);
                list = cursor.createList(lf);
            }
            // The paragraph keeps its own margins and stays in the list.
            QTextBlockFormat lbf = bf;
            lbf.setObjectIndex(list->objectIndex());
            cursor.setBlockFormat(lbf);
        } else {
            list = nullptr;
        }
        for (const Run& r : p.Runs) cursor.insertText(r.Text, r.Format);
    }
}

}  // namespace

void RtfToDocument(const QByteArray& Rtf, QTextDocument& Doc) {
    RtfReader reader(Rtf);
    std::vector<Paragraph> paras = reader.Read();
    // A final paragraph mark leaves an empty last paragraph, as a rich edit shows it.
    BuildDocument(paras, Doc);
}

void RtfToDocument(const String& Rtf, QTextDocument& Doc) {
    // Characters beyond ASCII are taken as they are: write them as \u escapes for the reader.
    QByteArray bytes;
    bytes.reserve(Rtf.size());
    for (QChar c : Rtf) {
        if (c.unicode() < 0x80)
            bytes.append(static_cast<char>(c.unicode()));
        else
            bytes += "{\\uc0\\u" + QByteArray::number(static_cast<int>(static_cast<std::int16_t>(c.unicode()))) + "}";
    }
    RtfToDocument(bytes, Doc);
}

String DocumentPlainText(const QTextDocument& Doc) {
    String out;
    for (QTextBlock b = Doc.begin(); b.isValid(); b = b.next()) {
        if (b != Doc.begin()) out += QStringLiteral("\r\n");
        String t = b.text();
        t.replace(QChar(0x2028), QStringLiteral("\r\n"));
        t.remove(QChar(0xFFFC));
        out += t;
    }
    return out;
}

String RtfToPlainText(const QByteArray& Rtf) {
    QTextDocument doc;
    RtfToDocument(Rtf, doc);
    return DocumentPlainText(doc);
}

int DocumentTextLength(const QTextDocument& Doc) { return std::max(0, Doc.characterCount() - 1); }

// ---- ranges ------------------------------------------------------------------------------------

namespace {

// A document range laid out at a width: the copy of the document that was laid out, the lines
// that fit a height (block and line number), their top and bottom in layout units, and the first
// character that does not fit.
struct TRangeLayout {
    std::unique_ptr<QTextDocument> Doc;
    std::vector<std::pair<QTextBlock, int>> Lines;
    double Top = 0;
    double Bottom = 0;
    int Next = 0;
};

TRangeLayout LayOutRange(const QTextDocument& Doc, int CharFrom, int CharTo, int Width, int Height, int DpiX,
                         int DpiY) {
    TRangeLayout R;
    const int length = DocumentTextLength(Doc);
    const int end = (CharTo < 0 || CharTo > length) ? length : CharTo;
    CharFrom = std::max(0, CharFrom);
    R.Next = end;
    if (CharFrom >= end) return R;

    // Lay a copy out on a device of the requested resolution.
    R.Doc.reset(Doc.clone());
    static thread_local QImage device(1, 1, QImage::Format_ARGB32);
    device.setDotsPerMeterX(static_cast<int>(std::lround(DpiX / 0.0254)));
    device.setDotsPerMeterY(static_cast<int>(std::lround(DpiY / 0.0254)));
    R.Doc->documentLayout()->setPaintDevice(&device);
    R.Doc->setDocumentMargin(0);
    R.Doc->setTextWidth(Width);
    R.Doc->documentLayout()->documentSize();  // completes the layout

    QTextBlock block = R.Doc->findBlock(CharFrom);
    if (!block.isValid()) return R;
    QTextLayout* layout = block.layout();
    QTextLine line = layout->lineForTextPosition(CharFrom - block.position());
    if (!line.isValid()) return R;
    R.Top = layout->position().y() + line.y();
    R.Bottom = R.Top;
    int next = CharFrom;
    int lineNo = line.lineNumber();
    bool fitsAll = true;
    while (block.isValid() && next < end) {
        layout = block.layout();
        for (; lineNo < layout->lineCount(); ++lineNo) {
            const QTextLine l = layout->lineAt(lineNo);
            const double lineBottom = layout->position().y() + l.y() + l.height();
            if (lineBottom - R.Top > Height + 0.01) {
                fitsAll = false;
                break;
            }
            R.Bottom = lineBottom;
            R.Lines.emplace_back(block, lineNo);
            next = block.position() + l.textStart() + l.textLength();
            if (lineNo == layout->lineCount() - 1) next = block.position() + block.length();  // past the paragraph end
            if (next >= end) break;
        }
        if (!fitsAll) break;
        block = block.next();
        lineNo = 0;
    }
    R.Next = std::min(next, end);
    return R;
}

}  // namespace

int RichTextFormatRange(const QTextDocument& Doc, int CharFrom, int CharTo, const QRect& Rect, int DpiX, int DpiY,
                        QPainter* Painter) {
    TRangeLayout R = LayOutRange(Doc, CharFrom, CharTo, Rect.width(), Rect.height(), DpiX, DpiY);
    if (Painter && R.Bottom > R.Top) {
        Painter->save();
        Painter->setClipRect(QRectF(Rect.left(), Rect.top(), Rect.width(), R.Bottom - R.Top), Qt::IntersectClip);
        Painter->translate(Rect.left(), Rect.top() - R.Top);
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = QRectF(0, R.Top, Rect.width(), R.Bottom - R.Top);
        ctx.palette.setColor(QPalette::Text, Qt::black);
        R.Doc->documentLayout()->draw(Painter, ctx);
        Painter->restore();
    }
    return R.Next;
}

int RichTextFormatRangeDC(const QTextDocument& Doc, int CharFrom, int CharTo, const TRect& Rect, TDeviceContext* DC) {
    const int DpiX = DC->LogPixelsX(), DpiY = DC->LogPixelsY();
    TRangeLayout R = LayOutRange(Doc, CharFrom, CharTo, Rect.Width(), Rect.Height(), DpiX, DpiY);
    if (R.Lines.empty()) return R.Next;
    const int Saved = DC->SaveDC();
    DC->SetBkMode(TRANSPARENT);
    DC->SetTextAlign(TA_LEFT | TA_BASELINE);
    for (const auto& [block, lineNo] : R.Lines) {
        const QTextLayout* layout = block.layout();
        const QTextLine l = layout->lineAt(lineNo);
        const int lineStart = l.textStart(), lineEnd = l.textStart() + l.textLength();
        const double baseline = layout->position().y() + l.y() + l.ascent() - R.Top;
        const String text = block.text();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            const int fs = frag.position() - block.position();
            const int from = std::max(fs, lineStart), to = std::min(fs + frag.length(), lineEnd);
            if (from >= to) continue;
            String piece = text.mid(from, to - from);
            piece.remove(QChar::LineSeparator);
            piece.remove(QChar::ParagraphSeparator);
            while (piece.endsWith(QLatin1Char(' '))) piece.chop(1);
            if (piece.isEmpty()) continue;
            const QTextCharFormat fmt = frag.charFormat();
            const QFont f = fmt.font();
            TLogFont lf;
            lf.lfFaceName = f.family();
            const int px = f.pixelSize() > 0 ? f.pixelSize() : int(std::lround(f.pointSizeF() * DpiY / 72.0));
            lf.lfHeight = -std::max(1, px);
            lf.lfWeight = f.bold() ? FW_BOLD : FW_NORMAL;
            lf.lfItalic = f.italic();
            lf.lfUnderline = f.underline();
            lf.lfStrikeOut = f.strikeOut();
            DC->SelectFont(lf);
            const QColor c = fmt.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : fmt.foreground().color();
            DC->SetTextColor(COLORREF(c.red() | (c.green() << 8) | (c.blue() << 16)));
            const double x = layout->position().x() + l.cursorToX(from);
            DC->ExtTextOut(Rect.Left + int(std::lround(x)), Rect.Top + int(std::lround(baseline)), 0, nullptr, piece);
        }
    }
    DC->RestoreDC(Saved);
    return R.Next;
}
