#include "report/rpsupport.h"

#include "platform/db/db.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/metafile.h"
#include "platform/gui/rtf.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"
#include "report/rpdbtexts.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include <atomic>

namespace {

std::atomic<bool> SearchBusy{false};

constexpr int AnsiCodePage = 1251;

// The string of an EMR_EXTTEXTOUTA record: nChars bytes at offString, in the ANSI code page.
bool DecodeExtTextOutA(const TEnhMetaRecord& R, String& Text) {
    const QByteArrayView b = R.Bytes;
    if (b.size() < 76) return false;
    auto u32 = [&b](qsizetype at) {
        return static_cast<quint32>(static_cast<quint8>(b[at])) | (static_cast<quint32>(static_cast<quint8>(b[at + 1])) << 8) |
               (static_cast<quint32>(static_cast<quint8>(b[at + 2])) << 16) |
               (static_cast<quint32>(static_cast<quint8>(b[at + 3])) << 24);
    };
    const quint32 chars = u32(36), offset = u32(40);
    if (offset > static_cast<quint32>(b.size()) || chars > static_cast<quint32>(b.size()) - offset) return false;
    Text = CodePageToString(b.sliced(offset, chars).toByteArray(), AnsiCodePage);
    return true;
}

void AddDataSets(TStringList* List, TComponent* Owner, bool Recursive) {
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        TComponent* c = Owner->Components(i);
        if (auto* ds = dynamic_cast<TDataSet*>(c))
            List->AddObject(ds->Name(), ds);
        else if (Recursive && dynamic_cast<TWinControl*>(c))
            AddDataSets(List, c, true);
    }
}

// Form streams create the report's own classes by name.
const bool ReportClassesRegistered = [] {
    RegisterClasses({TRpReport::StaticClass(), TRpBand::StaticClass(), TRpGroup::StaticClass(),
                     TRpSubDetail::StaticClass(), TRpExpr::StaticClass(), TRpShape::StaticClass(),
                     TRpChildBand::StaticClass()});
    return true;
}();

}  // namespace

bool SearchPageText(const String& Text, const QByteArray& Metafile, bool MatchCase) {
    bool expected = false;
    while (!SearchBusy.compare_exchange_weak(expected, true)) {
        expected = false;
        if (Application) Application->ProcessMessages();
    }
    struct TDone {
        ~TDone() { SearchBusy = false; }
    } done;
    const String wanted = MatchCase ? Text : Text.toUpper();
    bool found = false;
    EnumEnhMetaFile(Metafile, [&](const TEnhMetaRecord& R) {
        String s;
        if (R.Type == EMR_EXTTEXTOUTW) {
            TEnhMetaText t;
            if (!DecodeExtTextOutW(R, t)) return true;
            s = t.Text;
        } else if (R.Type == 83) {  // EMR_EXTTEXTOUTA
            if (!DecodeExtTextOutA(R, s)) return true;
        } else {
            return true;
        }
        if (!MatchCase) s = s.toUpper();
        if (s.contains(wanted)) {
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

bool SearchPageText(const String& Text, TMetafile* Metafile, bool MatchCase) {
    return Metafile && SearchPageText(Text, Metafile->Data(), MatchCase);
}

TStringList* ListDataSets(TComponent* Form, bool IncludeDataModules) {
    TStringList* list = New<TStringList>();
    try {
        if (Form) AddDataSets(list, Form, true);
        if (IncludeDataModules && Screen) {
            for (int i = 0; i < Screen->DataModuleCount(); ++i) AddDataSets(list, Screen->DataModules(i), false);
        }
    } catch (...) {
        list->Free();
        throw;
    }
    return list;
}

int FindSubstring(const String& SubText, const String& Text) { return Pos(SubText, Text); }
