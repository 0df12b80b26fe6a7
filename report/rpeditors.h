// The design-time editors of the text printables: the label editor ("Text Settings": text, size,
// auto-size, stretch, transparency) and the expression editor ("Expression settings": the same
// with the expression, its format mask and the expression builder). A report designer creates the
// editor a printable names (EditorClass) and calls ShowEditor; the control changes only on OK.
#pragma once

#include "report/rpprintable.h"

class TRpCustomLabel;

class TRpLabelEditor : public TRpPrintableEditor {
    SDELKA_CLASS(TRpLabelEditor, TRpPrintableEditor)
protected:
    explicit TRpLabelEditor(TObject* AControl) : TRpPrintableEditor(AControl) {}
    ~TRpLabelEditor() override = default;

public:

    TColor GetColor() override;
    TFont* GetFont() override;
    TClass GetPrintableClass() override;
    String GetValue() override;
    String GetGlyphResName() override { return QStringLiteral("RPLABEL"); }
    String GetControlName() override { return QStringLiteral("Text Control"); }
    TAlignment GetAlignment() override;
    void SetAlignment(TAlignment Value) override;
    void SetColor(TColor Value) override;
    void SetFont(TFont* Value) override;
    void SetValue(const String& Value) override;
    bool ShowEditor() override;

protected:
    TRpCustomLabel* Label() const;
    // The dialog's common part: fills it, shows it, and on OK writes the control (every number is
    // checked before anything is written).
    bool RunDialog(class TRpLabelEditorForm* Form);
};

class TRpExprEditor : public TRpLabelEditor {
    SDELKA_CLASS(TRpExprEditor, TRpLabelEditor)
protected:
    explicit TRpExprEditor(TObject* AControl) : TRpLabelEditor(AControl) {}
    ~TRpExprEditor() override = default;

public:

    TClass GetPrintableClass() override;
    String GetValue() override;
    String GetGlyphResName() override { return QStringLiteral("RPEXPR"); }
    String GetControlName() override { return QStringLiteral("Expression Control"); }
    void SetValue(const String& Value) override;
    bool ShowEditor() override;
};
