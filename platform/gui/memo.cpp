#include "platform/gui/memo.h"
#include "platform/gui/qthost.h"

#include "platform/gui/listctrls.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {
// CR LF, a lone CR or a lone LF become "\n".
String ToPlainBreaks(const String& S) {
    String r = S;
    r.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    r.replace(u'\r', u'\n');
    return r;
}
String ToFrameworkBreaks(const String& S) {
    String r = S;
    r.replace(u'\n', QStringLiteral("\r\n"));
    return r;
}
}  // namespace

// ================================================================================================
// TMemoStrings

std::vector<int> TMemoStrings::LineStarts(const String& Plain) const {
    std::vector<int> starts{0};
    for (int i = 0; i < Plain.size(); ++i)
        if (Plain[i] == u'\n') starts.push_back(i + 1);
    // The last line is a line only when it has characters.
    if (starts.back() == Plain.size()) starts.pop_back();
    starts.push_back(static_cast<int>(Plain.size()));
    return starts;
}

int TMemoStrings::GetCount() const { return static_cast<int>(LineStarts(FMemo->PlainText()).size()) - 1; }

String TMemoStrings::Get(int Index) const {
    String plain = FMemo->PlainText();
    auto st = LineStarts(plain);
    if (Index < 0 || Index >= static_cast<int>(st.size()) - 1) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    int from = st[static_cast<size_t>(Index)], to = st[static_cast<size_t>(Index) + 1];
    if (to > from && plain[to - 1] == u'\n') --to;
    return plain.mid(from, to - from);
}

void TMemoStrings::Put(int Index, const String& S) {
    String plain = FMemo->PlainText();
    auto st = LineStarts(plain);
    if (Index < 0 || Index >= static_cast<int>(st.size()) - 1) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    int from = st[static_cast<size_t>(Index)], to = st[static_cast<size_t>(Index) + 1];
    if (to > from && plain[to - 1] == u'\n') --to;
    FMemo->ReplacePlain(from, to, ToPlainBreaks(S));
}

void TMemoStrings::Insert(int Index, const String& S) {
    String plain = FMemo->PlainText();
    auto st = LineStarts(plain);
    int count = static_cast<int>(st.size()) - 1;
    if (Index < 0 || Index > count) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    String s = ToPlainBreaks(S);
    if (Index < count) {
        FMemo->ReplacePlain(st[static_cast<size_t>(Index)], st[static_cast<size_t>(Index)], s + u'\n');
    } else if (plain.isEmpty() || plain.endsWith(u'\n')) {
        FMemo->ReplacePlain(static_cast<int>(plain.size()), static_cast<int>(plain.size()), s + u'\n');
    } else {
        // The last line has no break yet: the new line goes after one.
        FMemo->ReplacePlain(static_cast<int>(plain.size()), static_cast<int>(plain.size()), u'\n' + s);
    }
}

void TMemoStrings::Delete(int Index) {
    String plain = FMemo->PlainText();
    auto st = LineStarts(plain);
    if (Index < 0 || Index >= static_cast<int>(st.size()) - 1) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    FMemo->ReplacePlain(st[static_cast<size_t>(Index)], st[static_cast<size_t>(Index) + 1], String());
}

void TMemoStrings::Clear() { FMemo->SetText(String()); }

String TMemoStrings::GetTextStr() const { return FMemo->Text(); }
void TMemoStrings::SetTextStr(const String& Value) { FMemo->SetText(Value); }

// ================================================================================================
// TCustomMemo

TCustomMemo::TCustomMemo(TComponent* AOwner) : TWinControl(AOwner), FLines(New<TMemoStrings>(this)) {
    FControlStyle = {csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 185;
    FHeight = 89;
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
}

TCustomMemo::~TCustomMemo() = default;

QPlainTextEdit* TCustomMemo::Memo() const { return static_cast<QPlainTextEdit*>(FHandle); }

QWidget* TCustomMemo::CreateWidget(QWidget* ParentWidget) {
    auto* w = new TQtHost<QPlainTextEdit>(this, ParentWidget);
    RouteViewportMouse(w, w->viewport(), this);
    return w;
}

void TCustomMemo::ApplyOptions() {
    if (!FHandle) return;
    QPlainTextEdit* m = Memo();
    m->setReadOnly(FReadOnly);
    m->setLineWrapMode(FWordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    bool h = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    bool v = FScrollBars == ssVertical || FScrollBars == ssBoth;
    m->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m->setTabChangesFocus(!FWantTabs);
    QTextOption opt = m->document()->defaultTextOption();
    opt.setAlignment(FAlignment == taCenter ? Qt::AlignHCenter : FAlignment == taRightJustify ? Qt::AlignRight : Qt::AlignLeft);
    m->document()->setDefaultTextOption(opt);
}

void TCustomMemo::InitWidget() {
    QPlainTextEdit* m = Memo();
    ++FSyncing;
    m->setPlainText(FPlain);
    QTextCursor c = m->textCursor();
    c.setPosition(std::min<int>(FSelStart, static_cast<int>(FPlain.size())));
    c.setPosition(std::min<int>(FSelStart + FSelLength, static_cast<int>(FPlain.size())), QTextCursor::KeepAnchor);
    m->setTextCursor(c);
    --FSyncing;
    ApplyOptions();
    TWinControl::InitWidget();
    QObject::connect(m, &QPlainTextEdit::textChanged, m, [this] {
        if (!FSyncing) GuardedCall(this, [this] { Change(); });
    });
}

void TCustomMemo::DestroyWnd() {
    QPlainTextEdit* m = Memo();
    FPlain = m->toPlainText();
    QTextCursor c = m->textCursor();
    FSelStart = c.selectionStart();
    FSelLength = c.selectionEnd() - c.selectionStart();
    TWinControl::DestroyWnd();
}

String TCustomMemo::PlainText() const { return FHandle ? Memo()->toPlainText() : FPlain; }

String TCustomMemo::GetText() const { return ToFrameworkBreaks(PlainText()); }

void TCustomMemo::SetTextValue(const String& Value) {
    String plain = ToPlainBreaks(Value);
    if (FHandle) {
        Memo()->setPlainText(plain);  // textChanged fires Change
    } else {
        FPlain = plain;
        FSelStart = FSelLength = 0;
        Change();
    }
    FModified = false;
}

void TCustomMemo::ReplacePlain(int From, int To, const String& S) {
    if (!FHandle) {
        FPlain.replace(From, To - From, S);
        Change();
        return;
    }
    QTextCursor c(Memo()->document());
    c.setPosition(From);
    c.setPosition(To, QTextCursor::KeepAnchor);
    c.insertText(S);  // textChanged fires Change
}

int TCustomMemo::ToPlainPos(int Pos) const {
    // Framework positions count two characters per break; a position inside a CR LF pair goes
    // to the break.
    String plain = PlainText();
    int fw = 0, i = 0;
    for (; i < plain.size(); ++i) {
        int w = plain[i] == u'\n' ? 2 : 1;
        if (fw + w > Pos) break;
        fw += w;
    }
    return i;
}

int TCustomMemo::FromPlainPos(int Pos) const {
    String plain = PlainText();
    Pos = std::clamp(Pos, 0, static_cast<int>(plain.size()));
    return Pos + static_cast<int>(plain.left(Pos).count(u'\n'));
}

int TCustomMemo::SelStart() const {
    if (!FHandle) return FromPlainPos(FSelStart);
    return FromPlainPos(Memo()->textCursor().selectionStart());
}

int TCustomMemo::SelLength() const {
    if (!FHandle) return FromPlainPos(FSelStart + FSelLength) - FromPlainPos(FSelStart);
    QTextCursor c = Memo()->textCursor();
    return FromPlainPos(c.selectionEnd()) - FromPlainPos(c.selectionStart());
}

void TCustomMemo::SetSelStart(int Value) {
    int p = ToPlainPos(std::max(0, Value));
    if (!FHandle) {
        FSelStart = p;
        FSelLength = 0;
        return;
    }
    QTextCursor c = Memo()->textCursor();
    c.setPosition(p);
    Memo()->setTextCursor(c);
}

void TCustomMemo::SetSelLength(int Value) {
    int start = SelStart();
    int endPlain = ToPlainPos(start + std::max(0, Value));
    int startPlain = ToPlainPos(start);
    if (!FHandle) {
        FSelLength = endPlain - startPlain;
        return;
    }
    QTextCursor c = Memo()->textCursor();
    c.setPosition(startPlain);
    c.setPosition(endPlain, QTextCursor::KeepAnchor);
    Memo()->setTextCursor(c);
}

String TCustomMemo::SelText() const {
    String plain = PlainText();
    int a, b;
    if (FHandle) {
        QTextCursor c = Memo()->textCursor();
        a = c.selectionStart();
        b = c.selectionEnd();
    } else {
        a = FSelStart;
        b = FSelStart + FSelLength;
    }
    return ToFrameworkBreaks(plain.mid(a, b - a));
}

void TCustomMemo::SetSelText(const String& Value) {
    String s = ToPlainBreaks(Value);
    if (!FHandle) {
        FPlain.replace(FSelStart, FSelLength, s);
        FSelStart += static_cast<int>(s.size());
        FSelLength = 0;
        Change();
        return;
    }
    Memo()->textCursor().insertText(s);
}

void TCustomMemo::SelectAll() {
    if (FHandle) Memo()->selectAll();
    else {
        FSelStart = 0;
        FSelLength = static_cast<int>(FPlain.size());
    }
}

void TCustomMemo::ClearSelection() { SetSelText(String()); }

void TCustomMemo::CopyToClipboard() {
    if (SelLength() > 0) QApplication::clipboard()->setText(SelText());
}

void TCustomMemo::CutToClipboard() {
    if (FReadOnly) return;
    CopyToClipboard();
    ClearSelection();
}

void TCustomMemo::PasteFromClipboard() {
    if (FReadOnly) return;
    SetSelText(QApplication::clipboard()->text());
}

TPoint TCustomMemo::CaretPos() const {
    if (!FHandle) {
        String before = FPlain.left(FSelStart);
        int line = static_cast<int>(before.count(u'\n'));
        return TPoint(static_cast<int>(before.size() - before.lastIndexOf(u'\n') - 1), line);
    }
    QTextCursor c = Memo()->textCursor();
    return TPoint(c.positionInBlock(), c.blockNumber());
}

void TCustomMemo::SetReadOnly(bool Value) {
    FReadOnly = Value;
    ApplyOptions();
}

void TCustomMemo::SetWordWrap(bool Value) {
    FWordWrap = Value;
    ApplyOptions();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    ApplyOptions();
}

void TCustomMemo::SetWantTabs(bool Value) {
    FWantTabs = Value;
    ApplyOptions();
}

void TCustomMemo::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    ApplyOptions();
}

void TCustomMemo::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (FWantTabs) Message.Result |= DLGC_WANTTAB;
        if (FWantReturns) Message.Result |= DLGC_WANTALLKEYS;
        return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomMemo::KeyPress(Char& Key) {
    TWinControl::KeyPress(Key);
    if (Key == Char(13) && !FWantReturns) Key = Char();
    if (Key.isNull() || FReadOnly || FMaxLength <= 0) return;
    bool typing = Key == Char(13) || Key.unicode() >= 32;
    if (!typing) return;
    int len = static_cast<int>(Text().size()) - SelLength() + (Key == Char(13) ? 2 : 1);
    if (len > FMaxLength) Key = Char();
}

void TCustomMemo::Change() {
    FModified = true;
    if (OnChange) OnChange(this);
}

// ================================================================================================
// TCustomMaskEdit

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TEdit(AOwner) {
    FEngine.OnChange = [this] { EngineChanged(); };
}

QLineEdit* TCustomMaskEdit::Line() const { return static_cast<QLineEdit*>(FHandle); }

void TCustomMaskEdit::InitWidget() {
    TEdit::InitWidget();
    if (!IsMasked()) return;
    ++FSyncing;
    Line()->setMaxLength(std::max(1, FEngine.MaxChars()));
    --FSyncing;
    SyncWidget();
    // A masked text changes only through the engine; anything else (a drop, the context menu's
    // paste) is put back.
    QObject::connect(Line(), &QLineEdit::textEdited, Line(), [this](const QString&) {
        if (IsMasked() && !FSyncing) SyncWidget();
    });
}

void TCustomMaskEdit::SetEditMask(const String& Value) {
    if (Value == FEngine.EditMask()) return;
    if (!IsMasked()) {
        ++FSyncing;
        FEngine.SetEditText(TEdit::GetText());
        --FSyncing;
    }
    ++FSyncing;
    FEngine.SetEditMask(Value);
    --FSyncing;
    if (FHandle) {
        ++FSyncing;
        Line()->setMaxLength(IsMasked() ? std::max(1, FEngine.MaxChars()) : (MaxLength() > 0 ? MaxLength() : 32767));
        Line()->setText(FEngine.EditText());
        --FSyncing;
        SyncWidget();
    } else if (!IsMasked()) {
        ++FSyncing;
        TEdit::SetTextValue(FEngine.EditText());
        --FSyncing;
    }
}

void TCustomMaskEdit::SyncWidget() {
    if (!FHandle || !IsMasked()) return;
    ++FSyncing;
    QLineEdit* e = Line();
    if (e->text() != FEngine.EditText()) e->setText(FEngine.EditText());
    if (FEngine.SelLength() > 0) e->setSelection(FEngine.SelStart(), FEngine.SelLength());
    else e->setCursorPosition(FEngine.SelStart());
    --FSyncing;
}

void TCustomMaskEdit::PullSelection() {
    if (!FHandle) return;
    QLineEdit* e = Line();
    if (e->hasSelectedText()) FEngine.SetSel(e->selectionStart(), static_cast<int>(e->selectedText().size()));
    else FEngine.SetCursor(e->cursorPosition());
    FEngine.SetReadOnly(ReadOnly());
}

void TCustomMaskEdit::EngineChanged() {
    if (FSyncing) return;
    SyncWidget();
    SetModified(FEngine.Modified());
    TEdit::Change();
}

String TCustomMaskEdit::EditText() const { return IsMasked() ? FEngine.EditText() : TEdit::GetText(); }

void TCustomMaskEdit::SetEditText(const String& Value) {
    if (!IsMasked()) {
        SetText(Value);
        return;
    }
    FEngine.SetEditText(Value);
    SyncWidget();
}

String TCustomMaskEdit::GetText() const { return IsMasked() ? FEngine.Text() : TEdit::GetText(); }

void TCustomMaskEdit::SetTextValue(const String& Value) {
    if (!IsMasked()) {
        TEdit::SetTextValue(Value);
        return;
    }
    FEngine.SetText(Value);
    SyncWidget();
}

void TCustomMaskEdit::ValidateEdit() {
    if (!IsMasked()) return;
    try {
        FEngine.ValidateEdit();
    } catch (...) {
        SyncWidget();
        throw;
    }
}

void TCustomMaskEdit::Reset() {
    FEngine.Reset();
    SyncWidget();
}

void TCustomMaskEdit::KeyDown(Word& Key, TShiftState Shift) {
    TEdit::KeyDown(Key, Shift);
    if (Key == 0 || !IsMasked()) return;
    PullSelection();
    bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
    bool paste = (ctrl && Key == 'V') || (shift && Key == VK_INSERT);
    bool cut = (ctrl && Key == 'X') || (shift && Key == VK_DELETE);
    if (paste || cut) {
        if (!ReadOnly()) {
            if (cut) {
                QApplication::clipboard()->setText(FEngine.EditText().mid(FEngine.SelStart(), FEngine.SelLength()));
                FEngine.ClearSelection();
            } else {
                FEngine.Paste(QApplication::clipboard()->text());
            }
        }
        Key = 0;
    } else {
        FEngine.KeyDown(Key, Shift);
    }
    SyncWidget();
}

void TCustomMaskEdit::KeyPress(Char& Key) {
    TEdit::KeyPress(Key);
    if (Key.isNull() || !IsMasked()) return;
    PullSelection();
    try {
        FEngine.KeyPress(Key);
    } catch (...) {
        SyncWidget();
        throw;
    }
    SyncWidget();
}

bool TCustomMaskEdit::HostEvent(QEvent* Event) {
    if (Event->type() == QEvent::FocusIn && IsMasked()) FEngine.Enter();
    return TEdit::HostEvent(Event);
}

void TCustomMaskEdit::Change() {
    // A masked text reports its changes through the engine.
    if (FSyncing || IsMasked()) return;
    TEdit::Change();
}
