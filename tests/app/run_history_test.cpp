// The history of runs: a line read back as the entry it was written from,
// damaged lines skipped and counted but never touched, a cut-short last line
// that the next entry does not swallow, a history that cannot be written
// (a file where its folder should be, a folder or a link where the file
// should be), and whole "  16K" sessions that add one line per run that
// ended by itself and none for a stopped one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/record_file.h"
#include "app/run_history.h"
#include "app/run_session.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

namespace fs = std::filesystem;
constexpr std::int32_t k16 = 14;

std::string bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

HistoryEntry sampleEntry()
{
    HistoryEntry entry;
    entry.dateUtc = "2026-01-02T03:04:05Z";
    entry.sizeExponent = 20;
    entry.timeMs = 583;
    entry.verdict = "passed";
    entry.fingerprint = "4d2a5f0010f16084";
    entry.fingerprintChecked = true;
    entry.fingerprintMatched = true;
    entry.workAreaBytes = 8388648;
    entry.workAreaLength = 1048576;
    entry.lanePath = "quads";
    entry.processor = "Some \"Quoted\" CPU\\ @ 3.0GHz";
    entry.version = "1.2";
    return entry;
}

void expectSame(const HistoryEntry& a, const HistoryEntry& b)
{
    EXPECT_EQ(a.dateUtc, b.dateUtc);
    EXPECT_EQ(a.sizeExponent, b.sizeExponent);
    EXPECT_EQ(a.timeMs, b.timeMs);
    EXPECT_EQ(a.verdict, b.verdict);
    EXPECT_EQ(a.fingerprint, b.fingerprint);
    EXPECT_EQ(a.fingerprintChecked, b.fingerprintChecked);
    EXPECT_EQ(a.fingerprintMatched, b.fingerprintMatched);
    EXPECT_EQ(a.workAreaBytes, b.workAreaBytes);
    EXPECT_EQ(a.workAreaLength, b.workAreaLength);
    EXPECT_EQ(a.lanePath, b.lanePath);
    EXPECT_EQ(a.processor, b.processor);
    EXPECT_EQ(a.version, b.version);
}

TEST(HistoryLine, ReadsBackAsTheEntryItWasWrittenFrom)
{
    const HistoryEntry entry = sampleEntry();
    const std::string line = historyLine(entry);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line only";
    EXPECT_NE(line.find("\"size\":\"1M\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"timeMs\":583"), std::string::npos) << line;
    const auto back = parseHistoryLine(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(back.has_value()) << line;
    expectSame(*back, entry);

    // A brand string with a line break or bytes that are not UTF-8 still
    // makes one line that reads back.
    HistoryEntry odd = entry;
    odd.processor = "two\nlines \xFF\xFE";
    const std::string oddLine = historyLine(odd);
    EXPECT_EQ(oddLine.find('\n'), oddLine.size() - 1) << oddLine;
    EXPECT_TRUE(parseHistoryLine(std::string_view(oddLine).substr(0, oddLine.size() - 1)).has_value());
}

TEST(HistoryLine, DamagedLinesAreNotEntries)
{
    const std::string good = historyLine(sampleEntry());
    const std::string_view whole = std::string_view(good).substr(0, good.size() - 1);
    for (const std::string& bad : std::vector<std::string>{
             "", "{", "[]", "42", "null", "{}", std::string(whole.substr(0, whole.size() / 2)),
             R"({"dateUtc":"2026-01-02T03:04:05Z","size":"3M","timeMs":5,"verdict":"passed"})",
             R"({"dateUtc":"2026-01-02T03:04:05Z","size":"1M","timeMs":-5,"verdict":"passed"})",
             R"({"dateUtc":"2026-01-02T03:04:05Z","size":"1M","timeMs":"5","verdict":"passed"})",
             R"({"dateUtc":"2026-01-02T03:04:05Z","size":"1M","timeMs":4294967296,"verdict":"passed"})",
             R"({"dateUtc":"2026-01-02T03:04:05Z","size":"1M","timeMs":5})",
             R"({"size":"1M","timeMs":5,"verdict":"passed"})"})
        EXPECT_FALSE(parseHistoryLine(bad).has_value()) << bad;

    // Only the date, size, time and verdict are needed; the rest has defaults.
    const auto sparse = parseHistoryLine(R"({"dateUtc":"2026-01-02T03:04:05Z","size":"16K","timeMs":9,"verdict":"failed"})");
    ASSERT_TRUE(sparse.has_value());
    EXPECT_EQ(sparse->sizeExponent, 14);
    EXPECT_EQ(sparse->timeMs, 9u);
    EXPECT_FALSE(sparse->passed());
    EXPECT_EQ(sparse->processor, "unknown");
}

TEST(HistoryFile, LinesAreAddedAndDamagedOnesSkippedButKept)
{
    test::ScratchDirectory scratch;
    const fs::path file = scratch.path() / "data" / "calvorn" / "history.jsonl";
    EXPECT_TRUE(readHistory(file).missing);

    HistoryEntry first = sampleEntry();
    ASSERT_EQ(appendToHistory(file, first), std::nullopt) << "the folders are made";
    HistoryEntry second = sampleEntry();
    second.sizeExponent = 14;
    second.timeMs = 12;
    ASSERT_EQ(appendToHistory(file, second), std::nullopt);
    EXPECT_EQ(bytesOf(file), historyLine(first) + historyLine(second));

    // A stray line, a blank one, an overlong one and a last line cut short
    // by a failed write.
    const std::string damaged = bytesOf(file) + "not json\n\n" + std::string(100000, 'x') + "\n" +
                                historyLine(first).substr(0, 40);
    writeBytes(file, damaged);
    HistoryEntry third = sampleEntry();
    third.verdict = "fingerprint-differs";
    ASSERT_EQ(appendToHistory(file, third), std::nullopt);
    // The new line starts on a line of its own; nothing before it changed.
    EXPECT_EQ(bytesOf(file), damaged + "\n" + historyLine(third));

    const HistoryContents contents = readHistory(file);
    EXPECT_TRUE(contents.problem.empty()) << contents.problem;
    EXPECT_EQ(contents.damagedLines, 3u);
    ASSERT_EQ(contents.entries.size(), 3u);
    expectSame(contents.entries[0], first);
    expectSame(contents.entries[1], second);
    expectSame(contents.entries[2], third);
    EXPECT_EQ(bytesOf(file), damaged + "\n" + historyLine(third)) << "reading leaves the file alone";
}

TEST(HistoryFile, AHistoryThatCannotBeWrittenIsReportedAndNothingIsMade)
{
    test::ScratchDirectory scratch;
    // A file where the history's folder should be.
    writeBytes(scratch.path() / "calvorn", "not a folder");
    const auto blocked = appendToHistory(scratch.path() / "calvorn" / "history.jsonl", sampleEntry());
    ASSERT_TRUE(blocked.has_value());
    EXPECT_NE(blocked->find("calvorn"), std::string::npos) << *blocked;
    EXPECT_EQ(bytesOf(scratch.path() / "calvorn"), "not a folder");

    // A folder where the file should be.
    fs::create_directories(scratch.path() / "other" / "history.jsonl");
    EXPECT_TRUE(appendToHistory(scratch.path() / "other" / "history.jsonl", sampleEntry()).has_value());
    EXPECT_TRUE(fs::is_empty(scratch.path() / "other" / "history.jsonl"));
    EXPECT_FALSE(readHistory(scratch.path() / "other" / "history.jsonl").problem.empty());
#ifndef _WIN32
    // A link is not written through.
    writeBytes(scratch.path() / "victim", "precious");
    fs::create_directory(scratch.path() / "linked");
    fs::create_symlink(scratch.path() / "victim", scratch.path() / "linked" / "history.jsonl");
    const auto linked = appendToHistory(scratch.path() / "linked" / "history.jsonl", sampleEntry());
    ASSERT_TRUE(linked.has_value());
    EXPECT_NE(linked->find("symbolic link"), std::string::npos) << *linked;
    EXPECT_EQ(bytesOf(scratch.path() / "victim"), "precious");
#endif
}

TEST(HistoryOfSessions, EveryRunThatEndsByItselfAddsALineAndAStopNone)
{
    test::ScratchDirectory scratch;
    const fs::path file = scratch.path() / "data" / "history.jsonl";
    RecordTable records;
    struct : SessionFront {
        void runFinished(std::uint32_t, const RunSummary&) override {}
    } front;

    test::FakeHost passing;
    passing.tickStep = 3;
    const SessionResult passed = runSession(passing, k16, records, front, {}, file);
    ASSERT_EQ(passed.outcome, SessionResult::Outcome::recorded);
    EXPECT_TRUE(passed.historyProblem.empty()) << passed.historyProblem;

    test::FakeHost stopping;
    stopping.stopAtPump = 50;
    EXPECT_EQ(runSession(stopping, k16, records, front, {}, file).outcome, SessionResult::Outcome::stopped);

    // Right digits from other arithmetic: failed, and kept with its verdict.
    test::FakeHost faulty;
    RunOptions fault;
    fault.injectFault = true;
    const SessionResult failed = runSession(faulty, k16, records, front, fault, file);
    EXPECT_EQ(failed.outcome, SessionResult::Outcome::failed);

    const HistoryContents contents = readHistory(file);
    EXPECT_EQ(contents.damagedLines, 0u);
    ASSERT_EQ(contents.entries.size(), 2u);
    const HistoryEntry& good = contents.entries[0];
    EXPECT_EQ(good.verdict, "passed");
    EXPECT_EQ(good.sizeExponent, k16);
    EXPECT_EQ(good.timeMs, passed.elapsed);
    EXPECT_EQ(good.fingerprintChecked, passed.summary.fingerprintChecked);
    EXPECT_EQ(good.workAreaLength, passed.summary.workAreaLength);
    EXPECT_EQ(good.fingerprint.size(), 16u);
    EXPECT_FALSE(good.processor.empty());
    EXPECT_FALSE(good.lanePath.empty());
    EXPECT_EQ(good.dateUtc.size(), 20u) << good.dateUtc;
    if (passed.summary.fingerprintChecked) {
        EXPECT_EQ(contents.entries[1].verdict, "fingerprint-differs");
    } else {
        EXPECT_EQ(contents.entries[1].verdict, "failed");
    }
    EXPECT_NE(contents.entries[1].fingerprint, good.fingerprint);
}

TEST(HistoryOfSessions, AHistoryThatCannotBeWrittenChangesNothingElse)
{
    test::ScratchDirectory scratch;
    writeBytes(scratch.path() / "blocked", "a file, not a folder");
    RecordTable records;
    struct : SessionFront {
        void runFinished(std::uint32_t, const RunSummary&) override {}
    } front;
    test::FakeHost host;
    host.tickStep = 1;
    const SessionResult session = runSession(host, k16, records, front, {}, scratch.path() / "blocked" / "h.jsonl");
    EXPECT_EQ(session.outcome, SessionResult::Outcome::recorded);
    EXPECT_TRUE(session.summary.digitsVerified);
    EXPECT_TRUE(session.recordsError.empty()) << session.recordsError;
    EXPECT_FALSE(session.historyProblem.empty());
    EXPECT_EQ(bytesOf(scratch.path() / "blocked"), "a file, not a folder");
    EXPECT_EQ(scratch.fileNames(), (std::vector<std::string>{"blocked", "pi_data.txt", "pi_rec.txt"}));
    EXPECT_EQ(bytesOf("pi_rec.txt"), recordFileBytes(records, k16));
}

} // namespace
} // namespace calvorn
