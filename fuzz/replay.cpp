// The replay test and a simple mutation loop over the fuzz targets.
//
//   test_fuzz                          replays every target's seeds and fuzz/regressions/<target>/*
//   test_fuzz --run TARGET FILE...     runs the target on each file (to reproduce a finding)
//   test_fuzz --seeds DIR              writes the seeds to DIR/<target>/ (a corpus for libFuzzer)
//   test_fuzz --fuzz TARGET SECONDS [DIR]
//                                      mutates the seeds for that long; an input that raises
//                                      anything but the project's errors, takes over a second or
//                                      trips a sanitizer is left in DIR (default .) as
//                                      fuzz-TARGET-current, or kept as fuzz-TARGET-slow-N.
#include "fuzz/fuzz_target.h"

#include "platform/rtl/system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

namespace {

String RegressionDir(const char* Target) {
    QByteArray root = qgetenv("SDELKA_SOURCE_DIR");
    if (root.isEmpty()) root = SDELKA_SOURCE_DIR_FALLBACK;
    return QString::fromUtf8(root) + QStringLiteral("/fuzz/regressions/") + QString::fromLatin1(Target);
}

// Processor time, so a loaded machine does not make a quick input look slow.
double CpuSeconds(const std::clock_t From) { return double(std::clock() - From) / CLOCKS_PER_SEC; }

// The fuzzing loop keeps an input that takes longer than this as a slow one.
constexpr double SecondsPerInput = 1.0;
// A replayed input fails only when it runs away (a reproducer of a hang that came back); the bound
// is far above what any input takes in the slowest build, so the speed of the machine or of the
// build never decides the outcome.
constexpr double RunawaySecondsPerInput = 20.0;

void Replay(const TFuzzTarget& T, const QByteArray& Input, const String& What) {
    SCOPED_TRACE(What.toStdString());
    const std::clock_t start = std::clock();
    RunFuzzInput(T, reinterpret_cast<const std::uint8_t*>(Input.constData()), std::size_t(Input.size()));
    EXPECT_LT(CpuSeconds(start), RunawaySecondsPerInput) << "runs away: " << What.toStdString();
}

class TReplay : public testing::Test {
public:
    explicit TReplay(const TFuzzTarget* T) : FTarget(T) {}
    void TestBody() override {
        const std::vector<QByteArray> seeds = FTarget->Seeds();
        EXPECT_FALSE(seeds.empty());
        for (size_t i = 0; i < seeds.size(); ++i) Replay(*FTarget, seeds[i], QStringLiteral("seed %1").arg(i));
        const QDir dir(RegressionDir(FTarget->Name));
        for (const QFileInfo& f : dir.entryInfoList(QDir::Files, QDir::Name)) {
            QFile file(f.filePath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << f.filePath().toStdString();
            Replay(*FTarget, file.readAll(), f.fileName());
        }
    }

private:
    const TFuzzTarget* FTarget;
};

int WriteSeeds(const String& Dir) {
    for (const TFuzzTarget* t : FuzzTargets()) {
        const String sub = Dir + u'/' + QString::fromLatin1(t->Name);
        QDir().mkpath(sub);
        const std::vector<QByteArray> seeds = t->Seeds();
        for (size_t i = 0; i < seeds.size(); ++i) {
            QFile f(sub + QStringLiteral("/seed-%1").arg(i));
            if (!f.open(QIODevice::WriteOnly) || f.write(seeds[i]) != seeds[i].size()) return 1;
        }
    }
    return 0;
}

// Mutations without coverage feedback: bit flips, interesting values, cut, repeated and spliced
// pieces, and numbers of every width set to the edges of their range.
QByteArray Mutate(QByteArray In, const std::vector<QByteArray>& Pool, std::mt19937& Rng) {
    auto pick = [&](qsizetype N) { return N <= 0 ? qsizetype(0) : qsizetype(Rng() % quint64(N)); };
    const int steps = 1 + int(Rng() % 4);
    for (int s = 0; s < steps; ++s) {
        const qsizetype n = In.size();
        switch (Rng() % 9) {
            case 0:
                if (n) In[pick(n)] ^= char(1u << (Rng() % 8));
                break;
            case 1: {
                static const unsigned char values[] = {0, 1, 0x7F, 0x80, 0xFF, '(', '{', '[', '\'', '\\', 0xFE};
                if (n) In[pick(n)] = char(values[Rng() % sizeof values]);
                break;
            }
            case 2: {
                static const std::uint32_t values[] = {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFF, 0x8000, 65000,
                                                       0x10000, 0x7FFFFFF0};
                const std::uint32_t v = values[Rng() % (sizeof values / sizeof values[0])];
                const int width = 1 << (Rng() % 3);
                if (n >= width) {
                    const qsizetype at = pick(n - width + 1);
                    const bool big = Rng() % 2;
                    for (int i = 0; i < width; ++i) In[at + i] = char(v >> (8 * (big ? width - 1 - i : i)));
                }
                break;
            }
            case 3:
                if (n) In.remove(pick(n), 1 + pick(std::min<qsizetype>(n, 64)));
                break;
            case 4:
                if (n) In.truncate(pick(n));
                break;
            case 5: {
                if (!n) break;
                const qsizetype at = pick(n), len = 1 + pick(std::min<qsizetype>(n - at, 32));
                const QByteArray piece = In.mid(at, len);
                const int times = 1 + int(Rng() % 64);
                In.insert(pick(n + 1), piece.repeated(times));
                break;
            }
            case 6: {
                const QByteArray& other = Pool[Rng() % Pool.size()];
                if (other.isEmpty()) break;
                const qsizetype at = pick(other.size()), len = 1 + pick(std::min<qsizetype>(other.size() - at, 256));
                In.insert(pick(n + 1), other.mid(at, len));
                break;
            }
            case 7:
                In.insert(pick(n + 1), char(Rng()));
                break;
            default:
                if (n) In[pick(n)] = char(Rng());
                break;
        }
        if (In.size() > (1 << 20)) In.truncate(1 << 20);
    }
    return In;
}

const TFuzzTarget* FindTarget(const char* Name) {
    for (const TFuzzTarget* t : FuzzTargets())
        if (std::strcmp(t->Name, Name) == 0) return t;
    std::fprintf(stderr, "no fuzz target %s\n", Name);
    return nullptr;
}

int RunFiles(const char* Name, int Count, char** Files) {
    const TFuzzTarget* target = FindTarget(Name);
    if (!target) return 2;
    for (int i = 0; i < Count; ++i) {
        QFile f(QString::fromLocal8Bit(Files[i]));
        if (!f.open(QIODevice::ReadOnly)) return 2;
        const QByteArray input = f.readAll();
        const std::clock_t start = std::clock();
        RunFuzzInput(*target, reinterpret_cast<const std::uint8_t*>(input.constData()), std::size_t(input.size()));
        std::printf("%s: %.3f s\n", Files[i], CpuSeconds(start));
    }
    return 0;
}

int Fuzz(const char* Name, double Seconds, const String& Dir) {
    const TFuzzTarget* target = FindTarget(Name);
    if (!target) return 2;
    std::vector<QByteArray> pool = target->Seeds();
    const size_t seedCount = pool.size();
    std::mt19937 rng(std::random_device{}());
    const String current = Dir + QStringLiteral("/fuzz-%1-current").arg(QString::fromLatin1(Name));
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(Seconds);
    long long runs = 0;
    int slow = 0;
    while (std::chrono::steady_clock::now() < end) {
        const QByteArray& base = pool[rng() % pool.size()];
        const QByteArray input = Mutate(base, pool, rng);
        {
            QFile f(current);
            if (f.open(QIODevice::WriteOnly)) f.write(input);
        }
        const std::clock_t start = std::clock();
        RunFuzzInput(*target, reinterpret_cast<const std::uint8_t*>(input.constData()), std::size_t(input.size()));
        if (CpuSeconds(start) > SecondsPerInput) {
            QFile::copy(current, Dir + QStringLiteral("/fuzz-%1-slow-%2").arg(QString::fromLatin1(Name)).arg(++slow));
        }
        ++runs;
        // Keep some mutants to mutate further; the seeds always stay.
        if (pool.size() < seedCount + 256) pool.push_back(input);
        else pool[seedCount + rng() % 256] = input;
    }
    QFile::remove(current);
    std::printf("%s: %lld executions in %.0f s, %d slow inputs\n", Name, runs, Seconds, slow);
    return slow ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    EnsureFuzzApplication();
    if (argc >= 3 && std::strcmp(argv[1], "--seeds") == 0) return WriteSeeds(QString::fromLocal8Bit(argv[2]));
    if (argc >= 4 && std::strcmp(argv[1], "--run") == 0) return RunFiles(argv[2], argc - 3, argv + 3);
    if (argc >= 4 && std::strcmp(argv[1], "--fuzz") == 0)
        return Fuzz(argv[2], std::atof(argv[3]), argc >= 5 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("."));
    testing::InitGoogleTest(&argc, argv);
    for (const TFuzzTarget* t : FuzzTargets())
        testing::RegisterTest("FuzzReplay", t->Name, nullptr, nullptr, __FILE__, __LINE__,
                              [t]() -> testing::Test* { return new TReplay(t); });
    return RUN_ALL_TESTS();
}
