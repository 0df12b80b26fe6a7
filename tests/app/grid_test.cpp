// The records grid: the acceptance column's colours as painted, the double-click toggle through
// the grid, and no keyboard deletion.
#include "app_fixture.h"
#include "support/input.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace sdelka::test {
namespace {

class RecordsGridTest : public AppSuite<true> {
protected:
    TDateTime BusyDay() {
        const std::string day = Db().Value(
            "select data from accounts_dep.smena where smena = 1 and ok is not null "
            "group by data having count(*) between 3 and 12 order by data desc limit 1");
        TDateTime d = 0;
        EXPECT_TRUE(TryPgUserTextToDateTime(QString::fromStdString(day), d)) << day;
        return d;
    }

    // Pixels of the cell close to a colour.
    static int PixelsNear(const QImage& Image, const TRect& R, TColor Color) {
        const COLORREF c = ColorToRGB(Color);
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x) {
                const QColor p = Image.pixelColor(x, y);
                if (std::abs(p.red() - r) < 40 && std::abs(p.green() - g) < 40 && std::abs(p.blue() - b) < 40) ++n;
            }
        return n;
    }

    static int OkColumnIndex() {
        for (int i = 0; i < Form1->DBGrid2->Columns()->Count(); ++i)
            if (Form1->DBGrid2->Columns()->Items(i)->FieldName() == u"ok") return i;
        return -1;
    }
};

TEST_F(RecordsGridTest, AcceptanceColoursAsPainted) {
    SetClock([this] { return BusyDay() + 0.5; });
    Start();
    SignIn(QStringLiteral("0583"), [&] {
        TADOQuery* q = DataModule6->Smena1;
        ASSERT_GE(q->RecordCount(), 3);
        // One accepted ("да"), one refused ("no") and one empty text on the first three rows.
        const char* marks[] = {"да", "no", ""};
        std::vector<int> ids;
        q->First();
        for (int i = 0; i < 3; ++i, q->Next()) ids.push_back(q->FieldByName(QStringLiteral("id"))->AsInteger());
        for (int i = 0; i < 3; ++i)
            Db().Exec(std::string("update accounts_dep.smena set ok = '") + marks[i] + "' where id = " + std::to_string(ids[i]));
        Click(Form1->Button8);

        // Double-click on the second row through the grid: "no" becomes "ok".
        q->SetRecNo(2);
        {
            TDBGrid* g = Form1->DBGrid2;
            const TRect r = g->CellRect(g->Col(), g->Row());
            sdelka::test::DoubleClick(g->Handle(), QPointF((r.Left + r.Right) / 2.0, (r.Top + r.Bottom) / 2.0));
        }
        EXPECT_EQ(q->RecNo(), 2);
        EXPECT_EQ(Db().Value("select ok from accounts_dep.smena where id = " + std::to_string(ids[1])), "ok");
        q->SetRecNo(3);  // the selection away from the rows looked at

        TDBGrid* grid = Form1->DBGrid2;
        const QImage image = grid->Handle()->grab().toImage();
        image.save(QString::fromStdString(::testing::TempDir()) + QStringLiteral("sdelka_records_grid.png"));
        const int col = grid->ColumnToGridCol(OkColumnIndex());
        ASSERT_GE(col, 0);
        const TColor expected[] = {AcceptedColor, AcceptedColor};  // "да", then "ok" after the toggle
        for (int row = 0; row < 2; ++row) {
            const TRect cell = grid->CellRect(col, grid->TitleOffset() + row);
            EXPECT_GT(PixelsNear(image, cell, expected[row]), 3) << "row " << row;
            EXPECT_EQ(PixelsNear(image, cell, RefusedColor), 0) << "row " << row;
        }
        // Row 3 has an empty text: nothing to paint, and the font would be red. Make it "no".
        Db().Exec("update accounts_dep.smena set ok = 'no' where id = " + std::to_string(ids[2]));
        Click(Form1->Button8);
        q->SetRecNo(1);
        const QImage again = grid->Handle()->grab().toImage();
        const TRect cell3 = grid->CellRect(col, grid->TitleOffset() + 2);
        EXPECT_GT(PixelsNear(again, cell3, RefusedColor), 3);
        EXPECT_EQ(PixelsNear(again, cell3, AcceptedColor), 0);
    });
}

TEST_F(RecordsGridTest, NoKeyboardDeletion) {
    SetClock([this] { return BusyDay() + 0.5; });
    Start();
    SignIn(QStringLiteral("0583"), [&] {
        TADOQuery* q = DataModule6->Smena1;
        const int before = q->RecordCount();
        const std::string count = Db().Value("select count(*) from accounts_dep.smena");
        Word key = VK_DELETE;
        Form1->DBGrid2->DoKeyDown(key, TShiftState{ssCtrl});
        EXPECT_EQ(q->RecordCount(), before);
        EXPECT_EQ(Db().Value("select count(*) from accounts_dep.smena"), count);
    });
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace sdelka::test
