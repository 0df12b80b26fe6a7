// A data grid on a borderless form over an in-memory table of ten columns (C0..C9, integers) with
// a few records; helpers to grab the grid's window as an image.
#pragma once

#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QWidget>

class DBGridFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 640, 260);
        T = New<TMemTableVz>(Form);
        for (int i = 0; i < 10; ++i) T->FieldDefs()->Add(u"C"_S + IntToStr(i), ftInteger);
        T->CreateDataSet();
        for (int r = 0; r < Records; ++r) {
            T->Append();
            for (int i = 0; i < 10; ++i) T->Fields()->Fields(i)->SetAsInteger(r * 10 + i);
            T->Post();
        }
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = MakeGrid(u"Grid1"_S);
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    TDBGridVz* MakeGrid(const String& Name) {
        auto* g = New<TDBGridVz>(Form);
        g->SetName(Name);
        g->SetBounds(0, 0, 640, 260);
        g->SetParent(Form);
        g->SetDataSource(Src);
        return g;
    }
    // Columns built from the fields, stored (the customised state), so the layout is the grid's own.
    static void Customise(TDBGridVz* Grid) {
        Grid->Columns()->BeginUpdate();
        Grid->Columns()->Clear();
        for (int i = 0; i < 10; ++i) Grid->Columns()->Add()->SetFieldName(u"C"_S + IntToStr(i));
        Grid->Columns()->EndUpdate();
        Grid->Columns()->SetState(csCustomized);
    }
    void Show() {
        Form->Show();
        Application->ProcessMessages();
    }
    QImage Grab(TDBGridVz* Grid) {
        Grid->Invalidate();
        return Grid->Handle()->grab().toImage();
    }
    static void Save(const QImage& Img, const char* Name) {
        const QString dir = QDir::temp().filePath(QStringLiteral("sdelka-dbgrid"));
        QDir().mkpath(dir);
        Img.save(dir + QLatin1Char('/') + QLatin1String(Name));
    }
    static QRgb Rgb(TColor C) {
        const COLORREF c = ColorToRGB(C);
        return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }

    int Records = 5;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};
