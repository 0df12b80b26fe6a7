// Reading back the workbooks the windows write: openpyxl in a child process.
#pragma once

#include "platform/rtl/system.h"
#include "support/tools.h"

#include <gtest/gtest.h>

#include <QFile>

#include <string>
#include <vector>

namespace sdelka::test {

inline std::string PythonProgram() {
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? "/usr/bin/python3" : "python3";
}

inline std::vector<std::string> TextLines(const std::string& Text) {
    std::vector<std::string> r;
    std::string line;
    for (char c : Text) {
        if (c == '\n') {
            r.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) r.push_back(line);
    return r;
}

// Reads a workbook: one line per row, the cells of columns 1..Cols joined by "|" (numbers as
// numbers with up to two decimals, "" for an empty cell); then one line "bold:" with the bold
// cells and one "text:" with the cells of the text format.
inline std::vector<std::string> ReadWorkbook(const std::string& Python, const String& File, int Cols) {
    static const char* Script = R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
cols = int(sys.argv[2])
def t(v):
    if v is None: return ''
    if isinstance(v, float):
        return ('%.2f' % v).rstrip('0').rstrip('.') if v != int(v) else str(int(v))
    return str(v)
out = []
for r in range(1, ws.max_row + 1):
    out.append('|'.join(t(ws.cell(row=r, column=c).value) for c in range(1, cols + 1)))
out.append('bold:' + ','.join(c.coordinate for row in ws.iter_rows() for c in row if c.value is not None and c.font.b))
out.append('text:' + ','.join(c.coordinate for row in ws.iter_rows() for c in row if c.value is not None and c.number_format == '@'))
sys.stdout.write('\n'.join(out))
)";
    const TRun R = RunTool(QString::fromStdString(Python), {QStringLiteral("-c"), QString::fromLatin1(Script), File, QString::number(Cols)});
    EXPECT_EQ(R.Code, 0) << R.Err.toStdString();
    return TextLines(R.Out.toStdString());
}

}  // namespace sdelka::test
