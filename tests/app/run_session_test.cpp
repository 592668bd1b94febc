// The run session with a fake clock and host: the recorded time leaves out a
// message box that held the run, a stop that arrives after the last block
// transfer keeps the records untouched, and the work fingerprint is checked
// only with the full work area.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/record_file.h"
#include "app/run_session.h"
#include "driver/work_fingerprint.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

constexpr std::int32_t k16 = 14;

// A fake clock that moves one millisecond per block transfer, and a hook
// that may do more at a chosen transfer.
class TickingHost : public test::FakeHost {
public:
    void pumpMessages() override
    {
        FakeHost::pumpMessages();
        ticks += 1;
        if (hook) hook(pumps);
    }
    std::function<void(std::uint64_t)> hook;
};

struct RecordingFront : SessionFront {
    void computationEnded() override { ++ended; }
    void runFinished(std::uint32_t elapsed, const RunSummary&) override { finishedWith = elapsed; }
    int ended = 0;
    std::uint32_t finishedWith = 0;
};

std::string fileBytes(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

SessionResult runOnce(TickingHost& host, RecordTable& records, RecordingFront& front)
{
    return runSession(host, k16, records, front);
}

TEST(RunSession, TimeHeldByAMessageBoxIsNotRecorded)
{
    test::ScratchDirectory scratch;
    RecordTable records;
    RecordingFront front;
    TickingHost undisturbed;
    const SessionResult plain = runOnce(undisturbed, records, front);
    ASSERT_EQ(plain.outcome, SessionResult::Outcome::recorded);
    EXPECT_EQ(front.finishedWith, plain.elapsed);
    EXPECT_EQ(plain.elapsed, plain.summary.elapsed);
    // One millisecond per transfer up to the last digit; the two looks for a
    // pending stop (before the digits are put in place, before the record)
    // come after the time is taken.
    EXPECT_EQ(plain.elapsed, undisturbed.pumps - 2);

    // The stop question left open for 20 s in the middle of the run, and a
    // refused second start for 3 s near its end.
    const std::uint64_t nearEnd = undisturbed.pumps - 10;
    TickingHost held;
    held.hook = [&held, nearEnd](std::uint64_t pump) {
        if (pump == 100 || pump == nearEnd) {
            const std::uint32_t box = pump == 100 ? 20000 : 3000;
            held.ticks += box;
            held.held += box;
        }
    };
    RecordTable heldRecords;
    const SessionResult disturbed = runOnce(held, heldRecords, front);
    ASSERT_EQ(disturbed.outcome, SessionResult::Outcome::recorded);
    EXPECT_EQ(disturbed.elapsed, plain.elapsed);
    // The progress lines read the same clock: none shows the 20 s.
    for (const std::string& line : held.log) EXPECT_EQ(line.find(" 0분20초"), std::string::npos) << line;
    EXPECT_EQ(heldRecords.afterRunTable(k16), records.afterRunTable(k16));
    EXPECT_EQ(front.ended, 2);
}

TEST(RunSession, AStopPendingAfterTheLastTransferLeavesTheRecordsAlone)
{
    test::ScratchDirectory scratch;
    RecordTable records;
    RecordingFront front;
    TickingHost first;
    ASSERT_EQ(runOnce(first, records, front).outcome, SessionResult::Outcome::recorded);
    const std::string savedRecords = fileBytes("pi_rec.txt");
    ASSERT_FALSE(savedRecords.empty());

    // The stop arrives at the look that follows the last block transfer.
    TickingHost late;
    late.stopAtPump = first.pumps;
    RecordTable lateRecords;
    front.finishedWith = 0;
    const SessionResult stopped = runOnce(late, lateRecords, front);
    EXPECT_EQ(stopped.outcome, SessionResult::Outcome::stopped);
    EXPECT_EQ(front.finishedWith, 0u);
    EXPECT_TRUE(late.stopRequested());
    EXPECT_EQ(fileBytes("pi_rec.txt"), savedRecords);
}

TEST(RunSession, FingerprintCheckedOnlyWithTheFullWorkArea)
{
    test::ScratchDirectory scratch;
    RecordTable records;
    RecordingFront front;
    TickingHost full;
    const SessionResult inCore = runOnce(full, records, front);
    ASSERT_EQ(inCore.outcome, SessionResult::Outcome::recorded);
    EXPECT_EQ(inCore.summary.workAreaLength, fullWorkAreaLength(SizeParameters::forExponent(k16)));
    EXPECT_EQ(inCore.summary.fingerprintChecked, referenceWorkFingerprint(k16).has_value());
    if (inCore.summary.fingerprintChecked) {
        EXPECT_TRUE(inCore.summary.fingerprintMatched);
    }

    // A quarter of the area: the products go out of core, the digits are
    // the same, the fingerprint is another and is not held against the table.
    TickingHost small;
    const std::uint64_t bytes = (static_cast<std::uint64_t>(inCore.summary.workAreaLength / 4) + 5) * 8;
    small.memory = {5000000 + bytes, bytes};
    const SessionResult outOfCore = runOnce(small, records, front);
    ASSERT_EQ(outOfCore.outcome, SessionResult::Outcome::recorded);
    EXPECT_FALSE(outOfCore.summary.fingerprintChecked);
    EXPECT_NE(outOfCore.summary.workFingerprint, inCore.summary.workFingerprint);
}

} // namespace
} // namespace calvorn
