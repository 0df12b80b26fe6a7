#include "platform/gui/richedit.h"
#include "platform/gui/qthost.h"

#include "platform/gui/forms.h"
#include "platform/gui/printers.h"
#include "platform/gui/rtf.h"
#include "platform/rtl/streams.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include <cmath>
#include <functional>

namespace {

// Document units are pixels at 96 per inch; paragraph measures are points.
constexpr double PointsPerUnit = 0.75;
int UnitsToPoints(double Units) { return static_cast<int>(std::lround(Units * PointsPerUnit)); }
double PointsToUnits(int Points) { return Points / PointsPerUnit; }

String ToCrLf(String S) {
    S.replace(QChar(0x2029), QStringLiteral("\r\n"));
    S.replace(QChar(0x2028), QStringLiteral("\r\n"));
    return S;
}

String FromCrLf(String S) {
    S.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    S.replace(QChar('\r'), QChar('\n'));
    return S;
}

// Runs Fn on the block format of every paragraph the cursor's selection touches.
void ForEachBlock(QTextCursor C, const std::function<void(QTextBlockFormat&)>& Fn) {
    QTextDocument* doc = C.document();
    QTextBlock first = doc->findBlock(C.selectionStart());
    QTextBlock last = doc->findBlock(C.selectionEnd());
    QTextCursor e(doc);
    e.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        Fn(f);
        e.setPosition(b.position());
        e.setBlockFormat(f);
        if (b == last) break;
    }
    e.endEditBlock();
}

// The lines of a paragraph once laid out (one before).
int BlockLines(const QTextBlock& B) {
    QTextLayout* l = B.layout();
    return l && l->lineCount() > 0 ? l->lineCount() : 1;
}

// The host widget, with the viewport margins that the formatting rectangle sets.
class TRichHost : public TQtHost<QTextEdit> {
public:
    TRichHost(TWinControl* C, QWidget* Parent) : TQtHost<QTextEdit>(C, Parent) {}
    using QAbstractScrollArea::setViewportMargins;
};

}  // namespace

// ================================================================================================
// TTextAttributes

QTextCharFormat TTextAttributes::Format() const {
    QTextDocument* doc = FRichEdit->Document();
    QTextCharFormat f;
    if (FType == atDefaultText) {
        f.setFont(doc->defaultFont());
        f.setForeground(ColorToQColor(FRichEdit->FDefColor));
        return f;
    }
    QTextCursor c = FRichEdit->Cursor();
    if (c.hasSelection()) {
        QTextCursor r(doc);
        r.setPosition(c.selectionStart() + 1);  // the format of the character before: the first selected
        f = r.charFormat();
    } else if (QTextEdit* e = FRichEdit->Edit()) {
        f = e->currentCharFormat();
    } else {
        f = c.charFormat();
    }
    return f;
}

void TTextAttributes::Apply(const QTextCharFormat& Fmt) {
    QTextDocument* doc = FRichEdit->Document();
    ++FRichEdit->FSyncing;
    if (FType == atDefaultText) {
        QFont font = doc->defaultFont();
        if (Fmt.hasProperty(QTextFormat::FontFamilies)) font.setFamilies(Fmt.fontFamilies().toStringList());
        if (Fmt.hasProperty(QTextFormat::FontPointSize)) font.setPointSizeF(Fmt.fontPointSize());
        if (Fmt.hasProperty(QTextFormat::FontWeight)) font.setWeight(static_cast<QFont::Weight>(Fmt.fontWeight()));
        if (Fmt.hasProperty(QTextFormat::FontItalic)) font.setItalic(Fmt.fontItalic());
        if (Fmt.hasProperty(QTextFormat::TextUnderlineStyle)) font.setUnderline(Fmt.fontUnderline());
        if (Fmt.hasProperty(QTextFormat::FontStrikeOut)) font.setStrikeOut(Fmt.fontStrikeOut());
        doc->setDefaultFont(font);
        if (Fmt.hasProperty(QTextFormat::ForegroundBrush)) {
            FRichEdit->FDefColor = QColorToColor(Fmt.foreground().color());
            if (QTextEdit* e = FRichEdit->Edit()) {
                QPalette pal = e->palette();
                pal.setColor(QPalette::Text, Fmt.foreground().color());
                e->setPalette(pal);
            }
        }
    } else if (QTextEdit* e = FRichEdit->Edit()) {
        if (e->textCursor().hasSelection()) FRichEdit->FModified = true;
        e->mergeCurrentCharFormat(Fmt);
    } else {
        if (FRichEdit->FCursor->hasSelection()) FRichEdit->FModified = true;
        FRichEdit->FCursor->mergeCharFormat(Fmt);
    }
    --FRichEdit->FSyncing;
}

String TTextAttributes::Name() const {
    const QStringList families = Format().fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) return families.first();
    return FRichEdit->Document()->defaultFont().family();
}

void TTextAttributes::SetName(const String& Value) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{Value});
    Apply(f);
}

int TTextAttributes::Size() const {
    double pt = Format().fontPointSize();
    if (pt <= 0) pt = FRichEdit->Document()->defaultFont().pointSizeF();
    return pt > 0 ? static_cast<int>(std::lround(pt)) : 10;
}

void TTextAttributes::SetSize(int Value) {
    if (Value <= 0) return;
    QTextCharFormat f;
    f.setFontPointSize(Value);
    Apply(f);
}

int TTextAttributes::Height() const { return static_cast<int>(std::lround(Size() * 96.0 / 72.0)); }

void TTextAttributes::SetHeight(int Value) { SetSize(static_cast<int>(std::lround(std::abs(Value) * 72.0 / 96.0))); }

TFontStyles TTextAttributes::Style() const {
    QTextCharFormat f = Format();
    QFont def = FRichEdit->Document()->defaultFont();
    TFontStyles s;
    int weight = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() : def.weight();
    if (weight > QFont::Medium) s.Include(fsBold);
    if (f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : def.italic()) s.Include(fsItalic);
    if (f.hasProperty(QTextFormat::TextUnderlineStyle) ? f.fontUnderline() : def.underline()) s.Include(fsUnderline);
    if (f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : def.strikeOut()) s.Include(fsStrikeOut);
    return s;
}

void TTextAttributes::SetStyle(TFontStyles Value) {
    QTextCharFormat f;
    f.setFontWeight(Value.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    f.setFontItalic(Value.Contains(fsItalic));
    f.setFontUnderline(Value.Contains(fsUnderline));
    f.setFontStrikeOut(Value.Contains(fsStrikeOut));
    Apply(f);
}

TColor TTextAttributes::Color() const {
    QTextCharFormat f = Format();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        return QColorToColor(f.foreground().color());
    return FRichEdit->FDefColor;
}

void TTextAttributes::SetColor(TColor Value) {
    QTextCharFormat f;
    f.setForeground(ColorToQColor(Value));
    Apply(f);
}

void TTextAttributes::Assign(TPersistent* Source) {
    if (auto* font = dynamic_cast<TFont*>(Source)) {
        QTextCharFormat f;
        f.setFontFamilies(QStringList{font->Name()});
        f.setFontPointSize(font->Size());
        TFontStyles s = font->Style();
        f.setFontWeight(s.Contains(fsBold) ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.Contains(fsItalic));
        f.setFontUnderline(s.Contains(fsUnderline));
        f.setFontStrikeOut(s.Contains(fsStrikeOut));
        f.setForeground(ColorToQColor(font->Color()));
        Apply(f);
        return;
    }
    if (auto* ta = dynamic_cast<TTextAttributes*>(Source)) {
        QTextCharFormat f;
        f.setFontFamilies(QStringList{ta->Name()});
        f.setFontPointSize(ta->Size());
        TFontStyles s = ta->Style();
        f.setFontWeight(s.Contains(fsBold) ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.Contains(fsItalic));
        f.setFontUnderline(s.Contains(fsUnderline));
        f.setFontStrikeOut(s.Contains(fsStrikeOut));
        f.setForeground(ColorToQColor(ta->Color()));
        Apply(f);
        return;
    }
    TPersistent::Assign(Source);
}

void TTextAttributes::AssignTo(TPersistent* Dest) {
    if (auto* font = dynamic_cast<TFont*>(Dest)) {
        font->SetName(Name());
        font->SetSize(Size());
        font->SetStyle(Style());
        font->SetColor(Color());
        return;
    }
    if (auto* ta = dynamic_cast<TTextAttributes*>(Dest)) {
        ta->Assign(this);
        return;
    }
    TPersistent::AssignTo(Dest);
}

// ================================================================================================
// TParaAttributes

namespace {
QTextBlockFormat FirstBlockFormat(TCustomRichEdit* RE) {
    QTextCursor c = RE->Cursor();
    return RE->Document()->findBlock(c.selectionStart()).blockFormat();
}
}  // namespace

void TParaAttributes::Modify(const std::function<void(QTextBlockFormat&)>& Fn) {
    // A change of formatting marks the text modified but is not a change of the text.
    ++FRichEdit->FSyncing;
    try {
        ForEachBlock(FRichEdit->Cursor(), Fn);
    } catch (...) {
        --FRichEdit->FSyncing;
        throw;
    }
    --FRichEdit->FSyncing;
    FRichEdit->FModified = true;
}

TAlignment TParaAttributes::Alignment() const {
    Qt::Alignment a = FirstBlockFormat(FRichEdit).alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter) return taCenter;
    if (a & Qt::AlignRight) return taRightJustify;
    return taLeftJustify;
}

void TParaAttributes::SetAlignment(TAlignment Value) {
    Qt::Alignment a = Value == taCenter ? Qt::AlignHCenter : Value == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
    Modify([&](QTextBlockFormat& f) { f.setAlignment(a); });
}

int TParaAttributes::FirstIndent() const {
    QTextBlockFormat f = FirstBlockFormat(FRichEdit);
    return UnitsToPoints(f.leftMargin() + f.textIndent());
}

void TParaAttributes::SetFirstIndent(int Value) {
    Modify([&](QTextBlockFormat& f) {
        double left = -f.textIndent();  // the other lines relative to the first, kept
        f.setLeftMargin(PointsToUnits(Value) + left);
        f.setTextIndent(-left);
    });
}

int TParaAttributes::LeftIndent() const { return UnitsToPoints(-FirstBlockFormat(FRichEdit).textIndent()); }

void TParaAttributes::SetLeftIndent(int Value) {
    Modify([&](QTextBlockFormat& f) {
        double first = f.leftMargin() + f.textIndent();  // the first line's indent, kept
        f.setLeftMargin(first + PointsToUnits(Value));
        f.setTextIndent(-PointsToUnits(Value));
    });
}

int TParaAttributes::RightIndent() const { return UnitsToPoints(FirstBlockFormat(FRichEdit).rightMargin()); }

void TParaAttributes::SetRightIndent(int Value) {
    Modify([&](QTextBlockFormat& f) { f.setRightMargin(PointsToUnits(Value)); });
}

TNumberingStyle TParaAttributes::Numbering() const {
    QTextCursor c = FRichEdit->Cursor();
    return FRichEdit->Document()->findBlock(c.selectionStart()).textList() ? nsBullet : nsNone;
}

void TParaAttributes::SetNumbering(TNumberingStyle Value) {
    ++FRichEdit->FSyncing;
    try {
        ApplyNumbering(Value);
    } catch (...) {
        --FRichEdit->FSyncing;
        throw;
    }
    --FRichEdit->FSyncing;
    FRichEdit->FModified = true;
}

void TParaAttributes::ApplyNumbering(TNumberingStyle Value) {
    QTextCursor c = FRichEdit->Cursor();
    QTextDocument* doc = FRichEdit->Document();
    QTextBlock first = doc->findBlock(c.selectionStart());
    QTextBlock last = doc->findBlock(c.selectionEnd());
    if (Value == nsBullet) {
        if (first.textList() && first.textList() == last.textList()) return;
        QTextListFormat lf;
        lf.setStyle(QTextListFormat::ListDisc);
        lf.setIndent(0);  // the paragraph's own indents place it, as the RTF reader makes lists
        c.createList(lf);
        return;
    }
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (QTextList* l = b.textList()) {
            l->remove(b);
            QTextCursor e(b);
            QTextBlockFormat f = b.blockFormat();
            f.setIndent(0);
            e.setBlockFormat(f);
        }
        if (b == last) break;
    }
}

int TParaAttributes::TabCount() const { return static_cast<int>(FirstBlockFormat(FRichEdit).tabPositions().size()); }

void TParaAttributes::SetTabCount(int Value) {
    Value = std::max(0, Value);
    Modify([&](QTextBlockFormat& f) {
        QList<QTextOption::Tab> tabs = f.tabPositions();
        while (tabs.size() > Value) tabs.removeLast();
        while (tabs.size() < Value) {
            double last = tabs.isEmpty() ? 0 : tabs.last().position;
            tabs.append(QTextOption::Tab(last + PointsToUnits(36), QTextOption::LeftTab));
        }
        f.setTabPositions(tabs);
    });
}

int TParaAttributes::Tab(int Index) const {
    QList<QTextOption::Tab> tabs = FirstBlockFormat(FRichEdit).tabPositions();
    if (Index < 0 || Index >= tabs.size()) return 0;
    return UnitsToPoints(tabs.at(Index).position);
}

void TParaAttributes::SetTab(int Index, int Value) {
    if (Index < 0) return;
    Modify([&](QTextBlockFormat& f) {
        QList<QTextOption::Tab> tabs = f.tabPositions();
        if (Index >= tabs.size()) return;
        tabs[Index].position = PointsToUnits(Value);
        f.setTabPositions(tabs);
    });
}

void TParaAttributes::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TParaAttributes*>(Source)) {
        SetAlignment(p->Alignment());
        SetFirstIndent(p->FirstIndent());
        SetLeftIndent(p->LeftIndent());
        SetRightIndent(p->RightIndent());
        SetNumbering(p->Numbering());
        SetTabCount(p->TabCount());
        for (int i = 0; i < p->TabCount(); ++i) SetTab(i, p->Tab(i));
        return;
    }
    TPersistent::Assign(Source);
}

// ================================================================================================
// TRichEditStrings

int TRichEditStrings::GetCount() const {
    QTextDocument* doc = FRichEdit->Document();
    int n = doc->blockCount();
    if (doc->lastBlock().length() <= 1) --n;  // a final empty paragraph is not a line
    return std::max(0, n);
}

String TRichEditStrings::Get(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    return ToCrLf(FRichEdit->Document()->findBlockByNumber(Index).text());
}

void TRichEditStrings::Put(int Index, const String& S) {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    QTextBlock b = FRichEdit->Document()->findBlockByNumber(Index);
    QTextCursor c(b);
    c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
    c.insertText(FromCrLf(S));
}

void TRichEditStrings::Insert(int Index, const String& S) {
    int count = GetCount();
    if (Index < 0 || Index > count) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    QTextDocument* doc = FRichEdit->Document();
    String text = FromCrLf(S);
    if (Index == count) {
        QTextBlock last = doc->lastBlock();
        QTextCursor c(doc);
        if (last.length() <= 1 && doc->blockCount() > count) {
            // The final empty paragraph takes the line.
            c.setPosition(last.position());
            c.insertText(text);
        } else {
            c.movePosition(QTextCursor::End);
            c.insertBlock();
            c.insertText(text);
        }
        return;
    }
    QTextCursor c(doc->findBlockByNumber(Index));
    c.insertText(text);
    c.insertBlock();
}

void TRichEditStrings::Delete(int Index) {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    QTextDocument* doc = FRichEdit->Document();
    QTextBlock b = doc->findBlockByNumber(Index);
    QTextCursor c(doc);
    if (b.next().isValid()) {
        c.setPosition(b.position());
        c.setPosition(b.next().position(), QTextCursor::KeepAnchor);
    } else if (b.previous().isValid()) {
        c.setPosition(b.previous().position() + b.previous().length() - 1);
        c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
    } else {
        c.setPosition(b.position());
        c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
    }
    c.removeSelectedText();
}

void TRichEditStrings::Clear() { FRichEdit->Clear(); }

String TRichEditStrings::GetTextStr() const { return TStrings::GetTextStr(); }

void TRichEditStrings::SetTextStr(const String& Value) { FRichEdit->LoadText(Value); }

void TRichEditStrings::LoadFromStream(TStream* Stream) {
    Int64 start = Stream->Position();
    Int64 size = Stream->Size() - start;
    QByteArray bytes(static_cast<qsizetype>(std::max<Int64>(0, size)), '\0');
    if (size > 0) Stream->ReadBuffer(bytes.data(), static_cast<Integer>(size));
    if (!FRichEdit->PlainText() && IsRtf(bytes)) {
        ++FRichEdit->FSyncing;
        RtfToDocument(bytes, *FRichEdit->Document());
        --FRichEdit->FSyncing;
        FRichEdit->SetCursor(QTextCursor(FRichEdit->Document()));
        FRichEdit->Change();
        return;
    }
    Stream->SetPosition(start);
    TStrings::LoadFromStream(Stream);
}

void TRichEditStrings::SaveToStream(TStream* Stream) {
    if (FRichEdit->PlainText()) {
        TStrings::SaveToStream(Stream);
        return;
    }
    QByteArray rtf = DocumentToRtf(*FRichEdit->Document());
    if (!rtf.isEmpty()) Stream->WriteBuffer(rtf.constData(), static_cast<Integer>(rtf.size()));
}

// ================================================================================================
// TCustomRichEdit

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner)
    : TWinControl(AOwner),
      FDoc(new QTextDocument),
      FLines(New<TRichEditStrings>(this)),
      FSelAttributes(New<TTextAttributes>(this, atSelected)),
      FDefAttributes(New<TTextAttributes>(this, atDefaultText)),
      FParagraph(New<TParaAttributes>(this)) {
    FCursor = std::make_unique<QTextCursor>(FDoc.get());
    FWidth = 185;
    FHeight = 89;
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
    FDoc->setDocumentMargin(1);
    QObject::connect(FDoc.get(), &QTextDocument::contentsChanged, FDoc.get(), [this] {
        if (FSyncing) return;
        GuardedCall(this, [this] { Change(); });
    });
    FontChanged();
}

TCustomRichEdit::~TCustomRichEdit() {
    if (FDoc) QObject::disconnect(FDoc.get(), nullptr, nullptr, nullptr);
}

void TCustomRichEdit::BeforeDestruction() {
    // The widget lets go of the document before the control (and the document) go.
    DestroyHandle();
    TWinControl::BeforeDestruction();
}

QTextEdit* TCustomRichEdit::Edit() const { return static_cast<QTextEdit*>(FHandle); }

QWidget* TCustomRichEdit::CreateWidget(QWidget* ParentWidget) {
    auto* e = new TRichHost(this, ParentWidget);
    e->setDocument(FDoc.get());
    e->setTextCursor(*FCursor);
    e->setAcceptRichText(true);
    QObject::connect(e, &QTextEdit::cursorPositionChanged, e, [this] {
        GuardedCall(this, [this] { CheckSelectionChange(); });
    });
    QObject::connect(e, &QTextEdit::selectionChanged, e, [this] {
        GuardedCall(this, [this] { CheckSelectionChange(); });
    });
    return e;
}

void TCustomRichEdit::InitWidget() {
    TWinControl::InitWidget();
    ApplyOptions();
    if (FDefColor != clWindowText) {
        QPalette pal = Edit()->palette();
        pal.setColor(QPalette::Text, ColorToQColor(FDefColor));
        Edit()->setPalette(pal);
    }
}

void TCustomRichEdit::DestroyWnd() {
    QTextEdit* e = Edit();
    *FCursor = e->textCursor();
    e->disconnect();
    e->setDocument(new QTextDocument(e));  // the widget must not keep ours
    TWinControl::DestroyWnd();
}

void TCustomRichEdit::ApplyOptions() {
    QTextEdit* e = Edit();
    if (!e) return;
    e->setReadOnly(FReadOnly);
    e->setTabChangesFocus(!FWantTabs);
    e->setFrameShape(FBorderStyle == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    e->setFrameShadow(QFrame::Sunken);
    ApplyFormatRect();
    e->setLineWrapMode(FWordWrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    bool h = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    bool v = FScrollBars == ssVertical || FScrollBars == ssBoth;
    e->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TCustomRichEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    ApplyOptions();
}

void TCustomRichEdit::SetWantTabs(bool Value) {
    FWantTabs = Value;
    ApplyOptions();
}

void TCustomRichEdit::SetBorderStyle(TFormBorderStyle Value) {
    FBorderStyle = Value == bsNone ? bsNone : bsSingle;
    ApplyOptions();
}

void TCustomRichEdit::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    QTextCursor c(FDoc.get());
    c.select(QTextCursor::Document);
    Qt::Alignment a = Value == taCenter ? Qt::AlignHCenter : Value == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
    ++FSyncing;
    ForEachBlock(c, [&](QTextBlockFormat& f) { f.setAlignment(a); });
    --FSyncing;
}

bool TCustomRichEdit::CanUndo() const { return FDoc->isUndoAvailable(); }

void TCustomRichEdit::Undo() {
    if (FDoc->isUndoAvailable()) FDoc->undo();
}

void TCustomRichEdit::ClearUndo() { FDoc->clearUndoRedoStacks(); }

void TCustomRichEdit::ApplyFormatRect() {
    auto* e = dynamic_cast<TRichHost*>(Edit());
    if (!e) return;
    if (!FFormatRectSet) {
        e->setViewportMargins(0, 0, 0, 0);
        return;
    }
    TRect cr = ClientRect();
    e->setViewportMargins(std::max(0, FFormatRect.Left), std::max(0, FFormatRect.Top),
                          std::max(0, cr.Right - FFormatRect.Right), std::max(0, cr.Bottom - FFormatRect.Bottom));
}

int TCustomRichEdit::LineFromChar(int Pos) const {
    FDoc->documentLayout()->documentSize();  // lays the text out
    Pos = std::max(0, std::min(Pos, FDoc->characterCount() - 1));
    QTextBlock b = FDoc->findBlock(Pos);
    int line = 0;
    for (QTextBlock x = FDoc->begin(); x.isValid() && x != b; x = x.next()) line += BlockLines(x);
    if (QTextLayout* l = b.layout(); l && l->lineCount() > 0) {
        QTextLine tl = l->lineForTextPosition(Pos - b.position());
        if (tl.isValid()) line += tl.lineNumber();
    }
    return line;
}

int TCustomRichEdit::LineIndex(int Line) const {
    FDoc->documentLayout()->documentSize();
    if (Line < 0) Line = LineFromChar(SelStart());
    for (QTextBlock b = FDoc->begin(); b.isValid(); b = b.next()) {
        int n = BlockLines(b);
        if (Line < n) {
            QTextLayout* l = b.layout();
            if (l && l->lineCount() > 0) return b.position() + l->lineAt(Line).textStart();
            return b.position();
        }
        Line -= n;
    }
    return -1;
}

int TCustomRichEdit::LineCount() const {
    FDoc->documentLayout()->documentSize();
    int n = 0;
    for (QTextBlock b = FDoc->begin(); b.isValid(); b = b.next()) n += BlockLines(b);
    return n;
}

void TCustomRichEdit::SetWordWrap(bool Value) {
    FWordWrap = Value;
    ApplyOptions();
}

void TCustomRichEdit::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    ApplyOptions();
}

void TCustomRichEdit::FontChanged() {
    TWinControl::FontChanged();
    QFont f = FFont->QtFont(96);
    f.setPointSizeF(FFont->Size());
    FDoc->setDefaultFont(f);
    FDefColor = FFont->Color();
}

void TCustomRichEdit::ColorChanged() { TWinControl::ColorChanged(); }

void TCustomRichEdit::Dispatch(TMessage& Message) {
    LRESULT& r = Message.Result;
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        r = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (FWantTabs) r |= DLGC_WANTTAB;
        return;
    case CM_WANTSPECIALKEY:
        // Enter makes a paragraph (unless WantReturns is off); Tab and Esc go to the form.
        r = Message.WParam == VK_RETURN && FWantReturns ? 1 : 0;
        return;
    case EM_GETSEL: {
        int s = SelStart(), e = s + SelLength();
        if (Message.WParam) *reinterpret_cast<int*>(Message.WParam) = s;
        if (Message.LParam) *reinterpret_cast<int*>(Message.LParam) = e;
        r = (s & 0xFFFF) | ((e & 0xFFFF) << 16);
        return;
    }
    case EM_EXGETSEL:
        if (auto* cr = reinterpret_cast<TCharRange*>(Message.LParam)) {
            cr->cpMin = SelStart();
            cr->cpMax = SelStart() + SelLength();
        }
        r = 0;
        return;
    case EM_EXSETSEL:
        if (auto* cr = reinterpret_cast<const TCharRange*>(Message.LParam)) {
            int end = cr->cpMax < 0 ? GetTextLen() : cr->cpMax;
            SetSelStart(cr->cpMin);
            SetSelLength(end - cr->cpMin);
        }
        r = SelStart() + SelLength();
        return;
    case EM_LINEFROMCHAR:
        r = LineFromChar(static_cast<int>(Message.WParam) == -1 ? SelStart() : static_cast<int>(Message.WParam));
        return;
    case EM_EXLINEFROMCHAR: r = LineFromChar(static_cast<int>(Message.LParam)); return;
    case EM_LINEINDEX: r = LineIndex(static_cast<int>(static_cast<LPARAM>(Message.WParam))); return;
    case EM_GETLINECOUNT: r = LineCount(); return;
    case EM_LINELENGTH: {
        int line = LineFromChar(static_cast<int>(static_cast<LPARAM>(Message.WParam)) < 0 ? SelStart()
                                                                                           : static_cast<int>(Message.WParam));
        int start = LineIndex(line), next = LineIndex(line + 1);
        QTextBlock b = FDoc->findBlock(start);
        int blockEnd = b.position() + b.length() - 1;
        int end = next >= 0 && next <= blockEnd ? next : blockEnd;
        r = std::max(0, end - start);
        return;
    }
    case EM_GETTEXTLENGTHEX: r = GetTextLen(); return;
    case EM_CANUNDO: r = CanUndo() ? 1 : 0; return;
    case EM_UNDO:
        r = CanUndo() ? 1 : 0;
        Undo();
        return;
    case EM_EMPTYUNDOBUFFER: ClearUndo(); return;
    case EM_SCROLLCARET:
        if (QTextEdit* e = Edit()) e->ensureCursorVisible();
        r = 1;
        return;
    case EM_GETEVENTMASK: r = FEventMask; return;
    case EM_SETEVENTMASK:
        r = FEventMask;
        FEventMask = Message.LParam;
        return;
    case EM_GETRECT:
        if (auto* rc = reinterpret_cast<TRect*>(Message.LParam)) *rc = FFormatRectSet ? FFormatRect : ClientRect();
        return;
    case EM_SETRECT:
    case EM_SETRECTNP:
        if (auto* rc = reinterpret_cast<const TRect*>(Message.LParam)) {
            FFormatRect = *rc;
            FFormatRectSet = true;
        } else {
            FFormatRectSet = false;
        }
        ApplyFormatRect();
        return;
    case EM_GETMARGINS: r = 0; return;
    default: break;
    }
    TWinControl::Dispatch(Message);
}

QTextCursor TCustomRichEdit::Cursor() const {
    if (QTextEdit* e = Edit()) return e->textCursor();
    return *FCursor;
}

void TCustomRichEdit::SetCursor(const QTextCursor& C) {
    if (QTextEdit* e = Edit()) e->setTextCursor(C);
    else *FCursor = C;
    CheckSelectionChange();
}

void TCustomRichEdit::CheckSelectionChange() {
    QTextCursor c = Cursor();
    int s = c.selectionStart(), l = c.selectionEnd() - c.selectionStart();
    if (s == FLastSelStart && l == FLastSelLength) return;
    FLastSelStart = s;
    FLastSelLength = l;
    SelectionChange();
}

void TCustomRichEdit::Change() {
    FModified = true;
    if ((FEventMask & ENM_CHANGE) && OnChange) OnChange(this);
}

void TCustomRichEdit::SelectionChange() {
    if ((FEventMask & ENM_SELCHANGE) && OnSelectionChange) OnSelectionChange(this);
}

String TCustomRichEdit::GetText() const { return DocumentPlainText(*FDoc); }

void TCustomRichEdit::SetTextValue(const String& Value) { LoadText(Value); }

void TCustomRichEdit::LoadText(const String& Value) {
    ++FSyncing;
    try {
        if (!FPlainText && IsRtf(Value)) {
            RtfToDocument(Value, *FDoc);
        } else {
            FDoc->setPlainText(FromCrLf(Value));
        }
    } catch (...) {
        --FSyncing;
        throw;
    }
    --FSyncing;
    SetCursor(QTextCursor(FDoc.get()));
    Change();
}

void TCustomRichEdit::Clear() { LoadText(String()); }

int TCustomRichEdit::GetTextLen() const { return DocumentTextLength(*FDoc); }

int TCustomRichEdit::SelStart() const { return Cursor().selectionStart(); }

int TCustomRichEdit::SelLength() const {
    QTextCursor c = Cursor();
    return c.selectionEnd() - c.selectionStart();
}

void TCustomRichEdit::SetSelStart(int Value) {
    QTextCursor c = Cursor();
    c.setPosition(std::max(0, std::min(Value, FDoc->characterCount() - 1)));
    SetCursor(c);
}

void TCustomRichEdit::SetSelLength(int Value) {
    QTextCursor c = Cursor();
    int start = c.selectionStart();
    int end = std::max(0, std::min(start + std::max(0, Value), FDoc->characterCount() - 1));
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    SetCursor(c);
}

String TCustomRichEdit::SelText() const { return ToCrLf(Cursor().selectedText()); }

void TCustomRichEdit::SetSelText(const String& Value) {
    QTextCursor c = Cursor();
    c.insertText(FromCrLf(Value));
    SetCursor(c);
}

void TCustomRichEdit::SelectAll() {
    QTextCursor c = Cursor();
    c.select(QTextCursor::Document);
    SetCursor(c);
}

void TCustomRichEdit::CopyToClipboard() {
    HandleNeeded();
    Edit()->copy();
}

void TCustomRichEdit::CutToClipboard() {
    if (FReadOnly) {
        CopyToClipboard();
        return;
    }
    HandleNeeded();
    Edit()->cut();
}

void TCustomRichEdit::PasteFromClipboard() {
    if (FReadOnly) return;
    HandleNeeded();
    Edit()->paste();
}

int TCustomRichEdit::FindText(const String& SearchStr, int StartPos, int Length, TSearchTypes Options) const {
    if (SearchStr.isEmpty()) return -1;
    QTextDocument::FindFlags flags;
    if (Options.Contains(stMatchCase)) flags |= QTextDocument::FindCaseSensitively;
    if (Options.Contains(stWholeWord)) flags |= QTextDocument::FindWholeWords;
    QTextCursor from(FDoc.get());
    from.setPosition(std::max(0, std::min(StartPos, FDoc->characterCount() - 1)));
    QTextCursor found = FDoc->find(SearchStr, from, flags);
    if (found.isNull()) return -1;
    if (Length >= 0 && found.selectionEnd() > StartPos + Length) return -1;
    return found.selectionStart();
}

void TCustomRichEdit::Print(const String& Caption) {
    TPrinter* p = Printer();
    p->SetTitle(Caption);
    p->BeginDoc();
    try {
        const int length = DocumentTextLength(*FDoc);
        const TRect page(0, 0, p->PageWidth(), p->PageHeight());
        int from = 0;
        while (from < length) {
            const int next = RichTextFormatRangeDC(*FDoc, from, -1, page, p->Handle());
            if (next <= from) break;  // not even one line fits a page
            from = next;
            if (from < length) p->NewPage();
        }
    } catch (...) {
        p->Abort();
        throw;
    }
    p->EndDoc();
}
