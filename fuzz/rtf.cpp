// Rich text: RTF into a document and into plain text.
#include "fuzz/fuzz_target.h"

#include "platform/gui/rtf.h"

#include <QTextDocument>

namespace {

void RunRtf(const std::uint8_t* Data, std::size_t Size) {
    EnsureFuzzApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
    QTextDocument doc;
    RtfToDocument(bytes, doc);
    (void)DocumentPlainText(doc);
}

std::vector<QByteArray> RtfSeeds() {
    EnsureFuzzApplication();
    QTextDocument doc;
    doc.setHtml(QStringLiteral("<p align=center><b>Наряд</b> <i>№5</i></p><ul><li>один</li><li>два</li></ul>"
                               "<p style='color:#800000'>итого: 12,50</p>"));
    return {DocumentToRtf(doc),
            "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
            "\\pard\\qc\\f0\\fs24\\cf1 \\'cd\\'e0\\'f0\\'ff\\'e4\\par\\u1046?\\tab{\\*\\ignored x}\\line end}"};
}

}  // namespace

SDELKA_FUZZ_TARGET("rtf", RunRtf, RtfSeeds)
