// Outside tools the tests check their results with (pdftotext, qpdf, python3, xmllint, node ...):
// one run of a program and what it gave back.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace sdelka::test {

// What a finished tool gave back. Code is its exit code, or -1 when it did not start, crashed or
// did not finish in time.
struct TRun {
    int Code = -1;
    QByteArray Out, Err;
};

// Runs Program with Args and waits up to TimeoutMs for it to finish. The output is read only from
// a tool that finished; one cut off by the timeout leaves both empty.
inline TRun RunTool(const QString& Program, const QStringList& Args, int TimeoutMs = 60000) {
    QProcess P;
    P.start(Program, Args);
    TRun R;
    if (!P.waitForFinished(TimeoutMs)) return R;
    R.Code = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    R.Out = P.readAllStandardOutput();
    R.Err = P.readAllStandardError();
    return R;
}

// The standard output of Program run with Args, read as UTF-8 text, whatever its exit code.
inline QString ToolText(const QString& Program, const QStringList& Args, int TimeoutMs = 60000) {
    QProcess P;
    P.start(Program, Args);
    P.waitForFinished(TimeoutMs);
    return QString::fromUtf8(P.readAllStandardOutput());
}

// psql's unaligned, tuples-only lines for one statement (ON_ERROR_STOP), and the run itself, so
// that a test can check Code and show Err.
inline QStringList PsqlLines(const QString& ConnInfo, const QString& Sql, TRun* Run = nullptr) {
    const TRun R = RunTool(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-At"), QStringLiteral("-v"),
                                                    QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-c"), Sql, ConnInfo});
    if (Run) *Run = R;
    QStringList Lines = QString::fromUtf8(R.Out).split(u'\n');
    if (!Lines.isEmpty() && Lines.back().isEmpty()) Lines.removeLast();
    return Lines;
}

}  // namespace sdelka::test
