// Checks a saver against a disk that fails under it. The saver writes a file over an old one in a
// fresh folder; the file system is played through the one home that writes files
// (TSafeFileStream's fault seam): a full disk in the middle of the file and at its final flush,
// and a folder the user may not write to (a real read-only folder when the test does not run as
// root, where such a folder is still writable). Each time the saver must raise an error that
// names the file and the system's reason, the old file must keep its bytes, and no temporary
// file may stay behind. A last run without a fault must replace the file.
//
//   ExpectSaverKeepsOldFile([&](const String& Name) { Pages->SaveToFile(Name); });
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace sdelka::test {

struct SafeFileFaultGuard {
    ~SafeFileFaultGuard() { ClearSafeFileFault(); }
};

inline void ExpectSaverKeepsOldFile(const std::function<void(const String& FileName)>& Save,
                                    const String& Leaf = QStringLiteral("target.out"), Int64 FailAfter = 100) {
    SafeFileFaultGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const String name = dir.path() + u'/' + Leaf;
    QByteArray old(8000, 'o');
    old.replace(0, 9, "old file\n");
    auto writeOld = [&] {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    };
    writeOld();
    auto contents = [&] {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    auto expectFailure = [&](const char* ACase, const String& AReason) {
        SCOPED_TRACE(ACase);
        try {
            Save(name);
            ADD_FAILURE() << "the save did not fail";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().contains(AReason)) << ACase << ": " << e.Message().toStdString();
            // the file that failed: the target, or a file written beside it (an HTML page's pictures)
            EXPECT_TRUE(e.Message().contains(dir.path() + u'/')) << e.Message().toStdString();
        }
        EXPECT_EQ(contents(), old);
        for (const String& n : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            EXPECT_FALSE(n.startsWith(u'.')) << "a temporary file stayed: " << n.toStdString();
    };

    TSafeFileFault full;
    full.FailAfter = FailAfter;
    full.Error = ENOSPC;
    SetSafeFileFault(full);
    expectFailure("disk full in the middle", QStringLiteral("No space left on device"));

    TSafeFileFault flush;
    flush.FailCommit = true;
    flush.Error = ENOSPC;
    SetSafeFileFault(flush);
    expectFailure("disk full at the final flush", QStringLiteral("No space left on device"));

    if (::geteuid() == 0) {
        TSafeFileFault denied;
        denied.FailCreate = true;
        denied.Error = EACCES;
        SetSafeFileFault(denied);
        expectFailure("read-only folder (as root: injected)", QStringLiteral("Permission denied"));
    } else {
        ClearSafeFileFault();
        ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
        expectFailure("read-only folder", QStringLiteral("Permission denied"));
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    }

    ClearSafeFileFault();
    Save(name);
    EXPECT_NE(contents(), old) << "the saver did not write the file";
}

}  // namespace sdelka::test
