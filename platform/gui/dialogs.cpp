#include "platform/gui/dialogs.h"

#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/printers.h"
#include "platform/gui/qthost.h"
#include "platform/rtl/lists.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QColorDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

TQtResponder gQtResponder;
TResponder* gResponder = nullptr;

}  // namespace

TResponder* Responder() { return gResponder ? gResponder : &gQtResponder; }

TResponder* SetResponder(TResponder* R) {
    TResponder* old = gResponder;
    gResponder = R;
    return old;
}

// ---- buttons and requests ----------------------------------------------------------------------

int ButtonResult(TMsgDlgBtn Button) {
    switch (Button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrHelp;
    case mbClose: return mrClose;
    }
    return mrNone;
}

std::vector<TMsgDlgBtn> ButtonsInOrder(TMsgDlgButtons Buttons) {
    std::vector<TMsgDlgBtn> v;
    for (TMsgDlgBtn b : {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                         mbYesToAll, mbHelp, mbClose})
        if (Buttons.Contains(b)) v.push_back(b);
    return v;
}

String MsgDlgCaption(TMsgDlgType DlgType) {
    switch (DlgType) {
    case mtWarning: return u"Предупреждение"_S;
    case mtError: return u"Ошибка"_S;
    case mtInformation: return u"Информация"_S;
    case mtConfirmation: return u"Подтверждение"_S;
    default: return Application ? Application->Title() : String();
    }
}

TMessageRequest MessageBoxRequest(const String& Text, const String& Caption, unsigned Flags) {
    TMessageRequest r;
    r.Text = Text;
    r.Caption = Caption;
    switch (Flags & MB_ICONMASK) {
    case MB_ICONHAND: r.DlgType = mtError; break;
    case MB_ICONQUESTION: r.DlgType = mtConfirmation; break;
    case MB_ICONEXCLAMATION: r.DlgType = mtWarning; break;
    case MB_ICONASTERISK: r.DlgType = mtInformation; break;
    default: r.DlgType = mtCustom; break;
    }
    std::vector<TMsgDlgBtn> order;
    switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: order = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: order = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: order = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: order = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: order = {mbRetry, mbCancel}; break;
    default: order = {mbOK}; break;
    }
    r.Buttons = TMsgDlgButtons();
    for (TMsgDlgBtn b : order) r.Buttons.Include(b);
    size_t def = (Flags & MB_DEFMASK) >> 8;
    r.DefaultButton = order[def < order.size() ? def : 0];
    return r;
}

static TMsgDlgBtn DefaultDlgButton(TMsgDlgButtons Buttons) {
    for (TMsgDlgBtn b : {mbOK, mbYes, mbYesToAll, mbAll, mbRetry, mbAbort, mbIgnore, mbNo, mbNoToAll, mbCancel, mbClose, mbHelp})
        if (Buttons.Contains(b)) return b;
    return mbOK;
}

// ---- the framework's calls ---------------------------------------------------------------------

int MessageBox(HWND, const String& Text, const String& Caption, unsigned Flags) {
    return Responder()->Message(MessageBoxRequest(Text, Caption, Flags));
}

int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
    return MessageDlg(Msg, DlgType, Buttons, HelpCtx, DefaultDlgButton(Buttons));
}

int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int, TMsgDlgBtn DefaultButton) {
    TMessageRequest r;
    r.Caption = MsgDlgCaption(DlgType);
    r.Text = Msg;
    r.DlgType = DlgType;
    r.Buttons = Buttons.Empty() ? TMsgDlgButtons{mbOK} : Buttons;
    r.DefaultButton = r.Buttons.Contains(DefaultButton) ? DefaultButton : DefaultDlgButton(r.Buttons);
    return Responder()->Message(r);
}

void ShowMessage(const String& Msg) {
    TMessageRequest r;
    r.Caption = Application ? Application->Title() : String();
    r.Text = Msg;
    Responder()->Message(r);
}

bool InputQuery(const String& Caption, const String& Prompt, String& Value) {
    return Responder()->InputQuery(Caption, Prompt, Value);
}

String InputBox(const String& Caption, const String& Prompt, const String& Default) {
    String v = Default;
    if (!InputQuery(Caption, Prompt, v)) return Default;
    return v;
}

// ---- common dialogs ----------------------------------------------------------------------------

bool TCommonDialog::Execute() {
    if (OnShow) OnShow(this);
    bool ok = Responder()->ExecuteDialog(this);
    if (OnClose) OnClose(this);
    return ok;
}

String TOpenDialog::QtFilter() const {
    QStringList parts = FFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

TOpenPictureDialog::TOpenPictureDialog(TComponent* AOwner) : TOpenDialog(AOwner) {
    SetFilter(TPicture::GraphicFilter());
}

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(New<TFont>()) {}
TFontDialog::~TFontDialog() = default;

// ---- the Qt responder --------------------------------------------------------------------------

String MsgDlgButtonCaption(TMsgDlgBtn B) {
    switch (B) {
    case mbYes: return u"&Да"_S;
    case mbNo: return u"&Нет"_S;
    case mbOK: return u"OK"_S;
    case mbCancel: return u"Отмена"_S;
    case mbAbort: return u"&Прервать"_S;
    case mbRetry: return u"П&овторить"_S;
    case mbIgnore: return u"П&ропустить"_S;
    case mbAll: return u"&Все"_S;
    case mbNoToAll: return u"Нет для &всех"_S;
    case mbYesToAll: return u"Да для &всех"_S;
    case mbHelp: return u"&Справка"_S;
    case mbClose: return u"&Закрыть"_S;
    }
    return String();
}

namespace {

QMessageBox::ButtonRole ButtonRole(TMsgDlgBtn B) {
    switch (B) {
    case mbYes:
    case mbYesToAll:
    case mbAll: return QMessageBox::YesRole;
    case mbNo:
    case mbNoToAll: return QMessageBox::NoRole;
    case mbCancel:
    case mbClose: return QMessageBox::RejectRole;
    case mbHelp: return QMessageBox::HelpRole;
    default: return QMessageBox::AcceptRole;
    }
}

// Runs a dialog in a nested loop that Terminate ends; true when it finished by itself.
bool RunDialog(QDialog& Dialog) {
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&Dialog, &QDialog::finished, &loop, [&] {
        finished = true;
        loop.exit(0);
    });
    // Modal to the whole application, as the framework's boxes are: no other window takes input
    // until it is answered (open() would make it modal to its parent window only, and a box has
    // none, so it blocked nothing).
    Dialog.setWindowModality(Qt::ApplicationModal);
    AttachToOwnerWindow(&Dialog, true);
    Dialog.show();
    Application->ExecLoop(loop);
    if (!finished) Dialog.hide();
    return finished;
}

}  // namespace

int TQtResponder::Message(const TMessageRequest& Request) {
    QMessageBox box;
    box.setWindowTitle(Request.Caption);
    box.setText(Request.Text);
    switch (Request.DlgType) {
    case mtWarning: box.setIcon(QMessageBox::Warning); break;
    case mtError: box.setIcon(QMessageBox::Critical); break;
    case mtInformation: box.setIcon(QMessageBox::Information); break;
    case mtConfirmation: box.setIcon(QMessageBox::Question); break;
    default: break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (TMsgDlgBtn b : ButtonsInOrder(Request.Buttons)) {
        QPushButton* pb = box.addButton(MsgDlgButtonCaption(b), ButtonRole(b));
        buttons.emplace_back(pb, ButtonResult(b));
        if (b == Request.DefaultButton) box.setDefaultButton(pb);
        if (b == mbCancel || (b == mbNo && !Request.Buttons.Contains(mbCancel)) ||
            (b == mbOK && !Request.Buttons.Contains(mbCancel)))
            box.setEscapeButton(pb);
    }
    if (!RunDialog(box)) return mrNone;
    for (auto& [pb, result] : buttons)
        if (box.clickedButton() == pb) return result;
    return Request.Buttons.Contains(mbCancel) ? mrCancel : mrNone;
}

void TQtResponder::ShowModal(TCustomForm* Form) { Form->RunModalLoop(); }

bool TQtResponder::InputQuery(const String& Caption, const String& Prompt, String& Value) {
    QInputDialog dlg;
    dlg.setWindowTitle(Caption);
    dlg.setLabelText(Prompt);
    dlg.setTextValue(Value);
    dlg.setOkButtonText(u"OK"_S);
    dlg.setCancelButtonText(u"Отмена"_S);
    if (!RunDialog(dlg) || dlg.result() != QDialog::Accepted) return false;
    Value = dlg.textValue();
    return true;
}

// The common print dialog starts from the application-wide printer object and brings the chosen
// device, file, copies and orientation back to it.
static void PrinterToQt(QPrinter& Q) {
    TPrinter* p = Printer();
    const TPrinterDevice* d = p->Device();
    if (!d) return;
    if (d->WritesFile) {
        Q.setOutputFormat(QPrinter::PdfFormat);
        Q.setOutputFileName(p->FileName());
    } else {
        Q.setPrinterName(d->Name);
    }
    Q.setCopyCount(p->Copies());
    Q.setPageOrientation(p->Orientation() == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

static void QtToPrinter(const QPrinter& Q) {
    TPrinter* p = Printer();
    const bool toFile = Q.outputFormat() == QPrinter::PdfFormat;
    const int index = p->Printers()->IndexOf(toFile ? PdfFilePrinterName() : Q.printerName());
    if (index >= 0 && index != p->PrinterIndex()) p->SetPrinterIndex(index);
    if (toFile) p->SetFileName(Q.outputFileName());
    p->SetCopies(Q.copyCount());
    p->SetOrientation(Q.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait);
}

bool TQtResponder::ExecuteDialog(TCommonDialog* Dialog) {
    if (auto* od = dynamic_cast<TOpenDialog*>(Dialog)) {
        QFileDialog dlg;
        dlg.setWindowTitle(od->Title());
        dlg.setNameFilter(od->QtFilter());
        QStringList filters = od->QtFilter().split(QStringLiteral(";;"));
        if (od->FilterIndex() >= 1 && od->FilterIndex() <= filters.size())
            dlg.selectNameFilter(filters[od->FilterIndex() - 1]);
        dlg.setDirectory(od->InitialDir());
        if (!od->DefaultExt().isEmpty()) dlg.setDefaultSuffix(od->DefaultExt());
        if (od->IsSaveDialog()) {
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            if (!od->Options().Contains(ofOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite);
        } else {
            dlg.setFileMode(od->Options().Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                                                                       : QFileDialog::ExistingFile);
        }
        if (!od->FileName().isEmpty()) dlg.selectFile(od->FileName());
        if (!RunDialog(dlg) || dlg.result() != QDialog::Accepted) return false;
        QStringList files = dlg.selectedFiles();
        if (files.isEmpty()) return false;
        od->SetFiles(std::vector<String>(files.begin(), files.end()));
        od->SetFileName(files.first());
        int idx = filters.indexOf(dlg.selectedNameFilter());
        if (idx >= 0) od->SetFilterIndex(idx + 1);
        return true;
    }
    if (auto* cd = dynamic_cast<TColorDialog*>(Dialog)) {
        QColorDialog dlg(ColorToQColor(cd->Color()));
        dlg.setWindowTitle(cd->Title());
        if (!RunDialog(dlg) || dlg.result() != QDialog::Accepted) return false;
        QColor c = dlg.selectedColor();
        cd->SetColor(static_cast<TColor>(RGB(c.red(), c.green(), c.blue())));
        return true;
    }
    if (auto* fd = dynamic_cast<TFontDialog*>(Dialog)) {
        QFontDialog dlg(fd->Font()->QtFont());
        dlg.setWindowTitle(fd->Title());
        if (!RunDialog(dlg) || dlg.result() != QDialog::Accepted) return false;
        QFont f = dlg.selectedFont();
        fd->Font()->SetName(f.family());
        fd->Font()->SetSize(f.pointSize() > 0 ? f.pointSize() : fd->Font()->Size());
        TFontStyles st;
        if (f.bold()) st.Include(fsBold);
        if (f.italic()) st.Include(fsItalic);
        if (f.underline()) st.Include(fsUnderline);
        if (f.strikeOut()) st.Include(fsStrikeOut);
        fd->Font()->SetStyle(st);
        return true;
    }
    if (auto* pd = dynamic_cast<TPrintDialog*>(Dialog)) {
        QPrinter printer;
        PrinterToQt(printer);
        QPrintDialog dlg(&printer);
        dlg.setWindowTitle(pd->Title());
        if (pd->MaxPage() > 0) dlg.setMinMax(pd->MinPage(), pd->MaxPage());
        if (pd->Options().Contains(poPageNums)) dlg.setOption(QAbstractPrintDialog::PrintPageRange);
        if (pd->Options().Contains(poSelection)) dlg.setOption(QAbstractPrintDialog::PrintSelection);
        printer.setCopyCount(pd->Copies());
        if (pd->FromPage() > 0) printer.setFromTo(pd->FromPage(), pd->ToPage());
        if (!RunDialog(dlg) || dlg.result() != QDialog::Accepted) return false;
        QtToPrinter(printer);
        pd->SetCopies(printer.copyCount());
        pd->SetCollate(printer.collateCopies());
        switch (printer.printRange()) {
        case QPrinter::PageRange:
            pd->SetPrintRange(prPageNums);
            pd->SetFromPage(printer.fromPage());
            pd->SetToPage(printer.toPage());
            break;
        case QPrinter::Selection: pd->SetPrintRange(prSelection); break;
        default: pd->SetPrintRange(prAllPages); break;
        }
        return true;
    }
    if (dynamic_cast<TPrinterSetupDialog*>(Dialog)) {
        QPrinter printer;
        PrinterToQt(printer);
        QPrintDialog dlg(&printer);
        dlg.setWindowTitle(Dialog->Title());
        if (!RunDialog(dlg) || dlg.result() != QDialog::Accepted) return false;
        QtToPrinter(printer);
        return true;
    }
    return false;
}

bool TQtResponder::PrintFileName(const String& Title, String& FileName) {
    TOwned<TSaveDialog> dlg = NewOwned<TSaveDialog>(nullptr);
    dlg->SetFilter(QStringLiteral("PDF (*.pdf)|*.pdf"));
    dlg->SetDefaultExt(QStringLiteral("pdf"));
    dlg->SetFileName(FileName);
    if (!ExecuteDialog(dlg.get())) return false;
    FileName = dlg->FileName();
    return true;
}
