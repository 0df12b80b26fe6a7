// The image control over an in-memory dataset and on its own, and the picture editor dialog:
// showing a record never writes it back, a changed picture does; zoom and pan through wheel and
// keys; the dialog's commands follow the caller's permission bits.
#include "grid/base/buttonsvz.h"
#include "grid/editors/dbimagevz.h"
#include "grid/editors/pictureeditformvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"
#include "tests/support/input.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

namespace {

using namespace sdelka::test;

// A picture file's bytes: a bitmap or a JPEG of one colour with a white square in its middle.
TBytes PictureBytes(bool Jpeg, int W, int H, QColor Color) {
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Color);
    for (int y = H / 4; y < H * 3 / 4; ++y)
        for (int x = W / 4; x < W * 3 / 4; ++x) img.setPixelColor(x, y, Qt::white);
    TMemoryStream s;
    if (Jpeg) {
        const QByteArray data = TJPEGImage::Encode(img, 90);
        s.Write(data.constData(), data.size());
    } else {
        TOwned<TBitmap> b = NewOwned<TBitmap>();
        b->SetImage(img);
        b->SetPixelFormat(pf24bit);
        b->SaveToStream(&s);
    }
    const auto* p = static_cast<const Byte*>(s.Memory());
    return TBytes(p, p + s.Size());
}

class DBImage : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 320, 260);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"id"_S, ftInteger);
        T->FieldDefs()->Add(u"name"_S, ftWideString, 20);
        T->FieldDefs()->Add(u"pic"_S, ftBlob);
        T->CreateDataSet();
        Jpeg = PictureBytes(true, 40, 20, Qt::red);
        Bmp = PictureBytes(false, 30, 30, Qt::blue);
        T->Append();
        T->FieldByName(u"id"_S)->SetAsInteger(1);
        T->FieldByName(u"pic"_S)->SetAsBytes(Jpeg);
        T->Post();
        T->Append();
        T->FieldByName(u"id"_S)->SetAsInteger(2);
        T->FieldByName(u"pic"_S)->SetAsBytes(Bmp);
        T->Post();
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Img = New<TDBImageVz>(Form);
        Img->SetParent(Form);
        Img->SetBounds(10, 10, 200, 200);
        Img->SetDataSource(Src);
        Img->SetDataField(u"pic"_S);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        Form->Free();
        Application->ProcessMessages();
    }
    TBytes Stored() const { return T->FieldByName(u"pic"_S)->AsBytes(); }

    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBImageVz* Img = nullptr;
    TBytes Jpeg, Bmp;
};

TEST_F(DBImage, ShowsAJpegAndABitmapAndPostingOtherFieldsLeavesTheirBytes) {
    ASSERT_TRUE(Img->PictureLoaded());
    ASSERT_TRUE(Img->Picture()->Graphic());
    EXPECT_TRUE(Img->Picture()->Graphic()->Is<TJPEGImage>());
    EXPECT_EQ(Img->Picture()->Width(), 40);
    // ipReduceFitVz: a 40 x 20 picture sits unscaled in the middle of the client area.
    const QImage shot = Img->Handle()->grab().toImage();
    if (const QByteArray dir = qgetenv("SDELKA_SHOTS"); !dir.isEmpty())
        shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(u"dbimage-jpeg.png"_S));
    const TRect dest = Img->PictureDestRect();
    EXPECT_EQ(dest.Width(), 40);
    const QColor corner = shot.pixelColor(dest.Left + 2, dest.Top + 2);
    EXPECT_GT(corner.red(), 200);
    EXPECT_LT(corner.green(), 60);

    T->Edit();
    T->FieldByName(u"name"_S)->SetAsString(u"Деталь"_S);
    T->Post();
    EXPECT_EQ(Stored(), Jpeg);

    T->Next();
    EXPECT_TRUE(Img->Picture()->Graphic()->Is<TBitmap>());
    EXPECT_EQ(Img->Picture()->Width(), 30);
    T->Edit();
    T->FieldByName(u"name"_S)->SetAsString(u"Шайба"_S);
    T->Post();
    EXPECT_EQ(Stored(), Bmp);
}

TEST_F(DBImage, AChangedPictureIsWrittenAndADeletedOneClearsTheField) {
    // The field takes exactly the bytes of a bitmap pasted from the clipboard.
    TOwned<TBitmap> b = NewOwned<TBitmap>();
    b->SetSize(16, 8);
    Clipboard()->Assign(b.get());
    Img->SetFocus();
    SendKey(Img->Handle(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(T->State(), dsEdit);
    T->Post();
    TMemoryStream s;
    Img->Picture()->Graphic()->SaveToStream(&s);
    EXPECT_EQ(Stored().size(), static_cast<size_t>(s.Size()));
    EXPECT_EQ(Img->Picture()->Width(), 16);

    Img->MenuItemDelete(nullptr);
    T->Post();
    EXPECT_TRUE(T->FieldByName(u"pic"_S)->IsNull());
}

TEST_F(DBImage, ReadOnlyOrANonEditableLinkSkipsCutPasteAndTheEditorsResult) {
    Img->SetReadOnly(true);
    Img->CutToClipboard();
    EXPECT_TRUE(Img->Picture()->Graphic());
    EXPECT_EQ(T->State(), dsBrowse);
    EditPictureProcVz() = [](TPicture* P) {
        P->SetGraphic(nullptr);
        return true;
    };
    Img->EditButton()->SetStyle(ebsEllipsisVz);
    Img->EditButton()->SetVisible(true);
    Img->EditButtonControl()->Click();
    EditPictureProcVz() = DefaultEditPictureVz;
    EXPECT_TRUE(Img->Picture()->Graphic());
    EXPECT_EQ(Stored(), Jpeg);
}

TEST_F(DBImage, TheEllipsisButtonEditsACopyAndWritesTheResult) {
    Img->EditButton()->SetStyle(ebsEllipsisVz);
    Img->EditButton()->SetVisible(true);
    EXPECT_TRUE(Img->EditButtonControl()->Visible());
    EXPECT_EQ(Img->EditButtonControl()->Left() + Img->EditButtonControl()->Width(), Img->ClientWidth() - 2);
    TPicture* seen = nullptr;
    EditPictureProcVz() = [&](TPicture* P) {
        seen = P;
        EXPECT_TRUE(P->Graphic()->Is<TJPEGImage>());
        P->Bitmap()->SetSize(5, 5);
        return true;
    };
    Img->EditButtonControl()->Click();
    EditPictureProcVz() = DefaultEditPictureVz;
    EXPECT_NE(seen, Img->Picture());  // a copy was edited
    EXPECT_EQ(T->State(), dsEdit);    // written into the record; nothing posts it
    T->Post();
    EXPECT_EQ(Img->Picture()->Width(), 5);
    EXPECT_EQ(Stored()[0], 'B');
}

TEST_F(DBImage, WheelZoomsTemporarilyAndEscResetsZoomAndPan) {
    Img->SetFocus();
    for (int i = 0; i < 3; ++i) Wheel(Img->Handle(), QPointF(50, 50), 1);
    EXPECT_EQ(Img->Zoom(), 130);
    EXPECT_TRUE(Img->ZoomIsTemporary());
    SendMouse(Img->Handle(), QEvent::MouseButtonPress, QPointF(50, 50));
    SendMouse(Img->Handle(), QEvent::MouseMove, QPointF(60, 45));
    SendMouse(Img->Handle(), QEvent::MouseButtonRelease, QPointF(60, 45));
    EXPECT_EQ(Img->ImagePos(), TPoint(10, -5));
    SendKey(Img->Handle(), Qt::Key_Escape, Qt::NoModifier, u"\x1b"_S);
    EXPECT_EQ(Img->Zoom(), 100);
    EXPECT_EQ(Img->ImagePos(), TPoint(0, 0));
    Img->SetZoom(-5);
    EXPECT_EQ(Img->Zoom(), 0);
}

TEST(DBImageZoom, TheZoomScalesThePictureAboutItsAnchor) {
    struct Case {
        TImagePlacementVz Placement;
        TRect Placed;
        int Percent;
        TRect Zoomed;
    } cases[] = {
        {ipCenterCenterVz, TRect(75, 75, 125, 125), 200, TRect(50, 50, 150, 150)},  // stays centred
        {ipTopLeftVz, TRect(0, 0, 50, 50), 200, TRect(0, 0, 100, 100)},
        {ipBottomRightVz, TRect(150, 150, 200, 200), 200, TRect(100, 100, 200, 200)},
        {ipTopCenterVz, TRect(75, 0, 125, 50), 50, TRect(87, 0, 112, 25)},
        {ipReduceFitVz, TRect(0, 50, 200, 150), 0, TRect(100, 100, 100, 100)},
    };
    for (const Case& c : cases) EXPECT_EQ(ZoomPlacedRectVz(c.Placed, c.Percent, c.Placement), c.Zoomed);
}

TEST(DBImageZoom, AZoomedCentredPictureIsDrawnAroundTheCentre) {
    TForm* form = New<TForm>(nullptr);
    auto* img = New<TDBImageVz>(form);
    img->SetParent(form);
    img->SetBorderStyle(bsNone);
    img->SetBounds(0, 0, 200, 200);
    img->SetPicturePlacement(ipCenterCenterVz);
    img->Picture()->Bitmap()->SetSize(50, 50);
    img->Picture()->Bitmap()->Canvas()->Brush()->SetColor(clRed);
    img->Picture()->Bitmap()->Canvas()->FillRect(TRect(0, 0, 50, 50));
    img->SetZoom(200);
    EXPECT_EQ(img->PictureDestRect(), TRect(50, 50, 150, 150));
    form->Show();
    const QImage shot = img->Handle()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(55, 55), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(145, 145), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(155, 155), QColor(Qt::red));
    form->Free();
}

// ---- the picture editor dialog ------------------------------------------------------------------

class PictureEditor : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Dlg = static_cast<TPictureEditorDialog*>(PictureEditorDialogClass()->CreateComponent(nullptr));
        Pic = NewOwned<TPicture>();
        Pic->Bitmap()->SetSize(20, 10);
        File = Dir.filePath(u"loaded.bmp"_S);
        const TBytes b = PictureBytes(false, 12, 12, Qt::green);
        QFile f(File);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<qint64>(b.size()));
    }
    void TearDown() override {
        Dlg->Free();
        SetResponder(nullptr);
    }
    // Runs Edit; Action sees the dialog while it is shown.
    bool Run(int Bits, std::function<void(TPictureEditorDialog*)> Action, int Result = mrCancel) {
        Resp.AnswerModal([Action](TCustomForm* F) { Action(static_cast<TPictureEditorDialog*>(F)); }, Result);
        return Dlg->Edit(Pic.get(), Bits);
    }
    std::vector<bool> Enabled(TPictureEditorDialog* D) {
        return {D->bCut()->Enabled(), D->bCopy()->Enabled(), D->bPaste()->Enabled(),
                D->Load()->Enabled(), D->Save()->Enabled(), D->Clear()->Enabled(),
                D->bZoomIn()->Enabled(), D->bZoomOut()->Enabled(), D->bReset()->Enabled()};
    }

    TScriptedResponder Resp;
    TPictureEditorDialog* Dlg = nullptr;
    TOwned<TPicture> Pic;
    QTemporaryDir Dir;
    String File;
};

TEST_F(PictureEditor, TheCallersBitsEnableTheCommands) {
    struct Case {
        int Bits;
        std::vector<bool> Expected;
    } cases[] = {
        {0, {false, false, false, false, false, false, false, false, false}},
        {128, {false, false, false, false, false, false, false, false, true}},
        {64, {false, false, false, false, false, false, true, true, true}},
        {1 | 2 | 4, {true, true, true, false, false, false, false, false, false}},
        {255, {true, true, true, true, true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        std::vector<bool> seen;
        EXPECT_FALSE(Run(c.Bits, [&](TPictureEditorDialog* D) { seen = Enabled(D); }));
        EXPECT_EQ(seen, c.Expected) << c.Bits;
    }
    EXPECT_EQ(Dlg->Caption(), u"Редактор изображения"_S);
}

TEST_F(PictureEditor, ALoadEnablesSaveAndClearOnlyWhereTheCallerAllowsThem) {
    for (int bits : {8, 8 | 16, 8 | 16 | 32}) {
        bool save = false, clear = false;
        Resp.AnswerModal([&](TCustomForm* F) {
            auto* d = static_cast<TPictureEditorDialog*>(F);
            Resp.AnswerDialog([&](TCommonDialog* O) {
                static_cast<TOpenDialog*>(O)->SetFileName(File);
                return true;
            });
            d->Load()->Click();
            save = d->Save()->Enabled();
            clear = d->Clear()->Enabled();
        });
        Dlg->Edit(Pic.get(), bits);
        EXPECT_EQ(save, (bits & 16) != 0) << bits;
        EXPECT_EQ(clear, (bits & 32) != 0) << bits;
    }
}

TEST_F(PictureEditor, OkTakesTheEditedPictureAndCancelLeavesIt) {
    // Cancel after a load: the caller's picture is untouched.
    EXPECT_FALSE(Run(255, [&](TPictureEditorDialog* D) {
        Resp.AnswerDialog([&](TCommonDialog* O) {
            static_cast<TOpenDialog*>(O)->SetFileName(File);
            return true;
        });
        D->Load()->Click();
        EXPECT_EQ(D->Image()->Picture()->Width(), 12);
        D->CancelButton()->Click();
    }));
    EXPECT_EQ(Pic->Width(), 20);
    // OK after a clear: the caller's picture is emptied.
    EXPECT_TRUE(Run(255, [&](TPictureEditorDialog* D) {
        EXPECT_EQ(D->Image()->Picture()->Width(), 20);
        D->Clear()->Click();
        EXPECT_FALSE(D->Save()->Enabled());
        EXPECT_FALSE(D->Clear()->Enabled());
        D->OKButton()->Click();
    }));
    EXPECT_EQ(Pic->Graphic(), nullptr);
}

TEST_F(PictureEditor, ZoomOutStopsAtZeroAndResetReturns) {
    Run(255, [&](TPictureEditorDialog* D) {
        D->Image()->SetZoom(10);
        D->bZoomOut()->Click();
        EXPECT_EQ(D->Image()->Zoom(), 0);
        D->bZoomOut()->Click();
        EXPECT_EQ(D->Image()->Zoom(), 0);
        D->bZoomIn()->Click();
        EXPECT_EQ(D->Image()->Zoom(), 10);
        D->bReset()->Click();
        EXPECT_EQ(D->Image()->Zoom(), 100);
    });
}

}  // namespace

namespace {

TEST_F(DBImage, TheCaptionLabelNamesTheFieldAndFollowsTheControl) {
    TControlLabelVz* label = Img->ControlLabel();
    label->SetLabelVisible(true);
    EXPECT_TRUE(label->Visible());
    EXPECT_EQ(label->Caption(), u"pic"_S);
    EXPECT_EQ(label->Parent(), Form);
    EXPECT_EQ(label->Top() + label->Height() + 3, Img->Top());  // above, 3 pixels apart
    Img->SetBounds(40, 60, 200, 150);
    EXPECT_EQ(label->Left(), 40);
    EXPECT_EQ(label->Top() + label->Height() + 3, 60);
    Img->SetDataSource(nullptr);
    Img->SetName(u"Фото"_S);
    EXPECT_EQ(label->Caption(), u"Фото"_S);
    Img->SetVisible(false);
    EXPECT_FALSE(label->Visible());
}

}  // namespace
