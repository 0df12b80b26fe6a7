// The image control over a bytea column of the private server, through the in-memory dataset and
// the ADO data driver: a JPEG and a bitmap show, survive a post of other fields byte for byte, and
// a picture loaded from a file reaches the server as the file's own bytes.
#include "grid/editors/dbimagevz.h"
#include "grid/memtable/adodatadrivervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/db/fields.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/testing/scriptedresponder.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QWidget>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

using namespace sdelka::test;

QByteArray PictureFile(bool Jpeg, int W, int H, QColor Color) {
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Color);
    if (Jpeg) return TJPEGImage::Encode(img, 85);
    TOwned<TBitmap> b = NewOwned<TBitmap>();
    b->SetImage(img);
    b->SetPixelFormat(pf24bit);
    TMemoryStream s;
    b->SaveToStream(&s);
    return QByteArray(static_cast<const char*>(s.Memory()), static_cast<int>(s.Size()));
}

class DBImagePg : public PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Jpeg = PictureFile(true, 64, 48, QColor(200, 30, 30));
        Bmp = PictureFile(false, 33, 21, QColor(20, 40, 220));  // rows padded to four bytes
        Db().Exec("drop table if exists img_t; create table img_t (id int primary key, name text, pic bytea);"
                  "insert into img_t values (1, 'jpeg', decode('" + Jpeg.toHex().toStdString() + "', 'hex')),"
                  " (2, 'bmp', decode('" + Bmp.toHex().toStdString() + "', 'hex'));");
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 240, 200);
        auto* conn = New<TADOConnection>(Form);
        conn->SetLoginPrompt(false);
        conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        auto* drv = New<TADODataDriverVz>(Form);
        drv->SetADOConnection(conn);
        drv->SelectCommand()->SetCommandText(u"select id, name, pic from img_t order by id"_S);
        drv->UpdateCommand()->SetCommandText(u"update img_t set name = :name, pic = :pic where id = :old_id"_S);
        T = New<TMemTableVz>(Form);
        T->SetFetchAllOnOpen(true);
        T->SetDataDriver(drv);
        T->SetCachedUpdates(false);
        auto* src = New<TDataSource>(Form);
        src->SetDataSet(T);
        T->Open();
        Img = New<TDBImageVz>(Form);
        Img->SetParent(Form);
        Img->SetBounds(10, 10, 200, 160);
        Img->SetDataSource(src);
        Img->SetDataField(u"pic"_S);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        if (Form) Form->Free();
    }
    QByteArray ServerBytes(int Id) {
        return QByteArray::fromHex(
            QByteArray::fromStdString(Db().Value("select encode(pic, 'hex') from img_t where id = " + std::to_string(Id))));
    }
    QImage Shot(const char* Name) {
        Img->Invalidate();
        const QImage shot = Img->Handle()->grab().toImage();
        if (const QByteArray dir = qgetenv("SDELKA_SHOTS"); !dir.isEmpty())
            shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(Name)));
        return shot;
    }

    QByteArray Jpeg, Bmp;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDBImageVz* Img = nullptr;
};

TEST_F(DBImagePg, AJpegAndABitmapShowAndSurviveAPostByteForByte) {
    struct Case {
        int Id;
        TClass Kind;
        QColor Colour;
        const char* Shot;
    } cases[] = {{1, TJPEGImage::StaticClass(), QColor(200, 30, 30), "dbimage-pg-jpeg.png"},
                 {2, TBitmap::StaticClass(), QColor(20, 40, 220), "dbimage-pg-bmp.png"}};
    for (const Case& c : cases) {
        T->Locate(u"id"_S, Variant(c.Id), {});
        ASSERT_TRUE(Img->Picture()->Graphic());
        EXPECT_EQ(Img->Picture()->Graphic()->ClassType(), c.Kind);
        const TRect dest = Img->PictureDestRect();
        const QColor seen = Shot(c.Shot).pixelColor(dest.Left + dest.Width() / 2, dest.Top + dest.Height() / 2);
        EXPECT_NEAR(seen.red(), c.Colour.red(), 12);
        EXPECT_NEAR(seen.blue(), c.Colour.blue(), 12);

        T->Edit();
        T->FieldByName(u"name"_S)->SetAsString(u"изменено"_S);
        T->Post();
        EXPECT_EQ(Db().Value("select name from img_t where id = " + std::to_string(c.Id)), "изменено");
        EXPECT_EQ(ServerBytes(c.Id), c.Id == 1 ? Jpeg : Bmp);
    }
}

TEST_F(DBImagePg, APictureLoadedFromAFileReachesTheServerAsTheFilesBytes) {
    QTemporaryDir dir;
    TScriptedResponder resp;
    SetResponder(&resp);
    struct Case {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {{"green.jpg", PictureFile(true, 40, 30, Qt::green)},
                 {"grey.bmp", PictureFile(false, 17, 9, Qt::gray)}};
    for (const Case& c : cases) {
        const String file = dir.filePath(QString::fromLatin1(c.Name));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.Bytes);
        f.close();
        resp.AnswerDialog([&](TCommonDialog* D) {
            static_cast<TOpenDialog*>(D)->SetFileName(file);
            return true;
        });
        Img->MenuItemLoad(nullptr);
        EXPECT_EQ(T->State(), dsEdit);
        T->Post();
        EXPECT_EQ(ServerBytes(1), c.Bytes) << c.Name;
    }
    SetResponder(nullptr);
    // Read back from the server, the last one shows.
    T->Close();
    T->Open();
    EXPECT_TRUE(Img->Picture()->Graphic()->Is<TBitmap>());
    EXPECT_EQ(Img->Picture()->Width(), 17);
}

}  // namespace
