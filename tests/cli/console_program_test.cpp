// The built console program, run in scratch folders as a new user (and an
// unfriendly neighbour) would: links, FIFOs and folders planted under its
// file names, records it may not read, a second run in the same folder,
// signals during a run, closed or full standard streams, a full disk and
// memory limits. Each case checks the exit code, the messages, the files
// left and the bytes of the records and of any victim file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/program_runner.h"

namespace calvorn::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

// Records of an earlier run: 7 seconds at 16K, 1 hour at 1M (cp949 text).
const std::string earlierRecords = "+ 000\xBD\xC3" "00\xBA\xD0" "07\xC3\xCA   [  16K]\n"
                                   "- \xBF\xAC\xBB\xEA\xB5\xC7\xC1\xF6 \xBE\xCA\xC0\xBD   [  32K]\n";
constexpr std::size_t sixteenKDigitsFileBytes = 18392;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string describe(const ProgramEnd& end)
{
    return "exit " + std::to_string(end.exitCode) + (end.signal != 0 ? " signal " + std::to_string(end.signal) : "") +
           (end.timedOut ? " (timed out)" : "") + "\nstdout:\n" + end.out + "\nstderr:\n" + end.err;
}

void setLimit(int resource, rlim_t bytes)
{
    rlimit limit{bytes, bytes};
    if (setrlimit(resource, &limit) != 0) _exit(124);
}

// The bytes allocated for the work area, from the log line of a run.
std::uint64_t allocatedBytes(const std::string& log)
{
    const std::string key = "allocated memory → ";
    const auto at = log.find(key);
    return at == std::string::npos ? 0 : std::stoull(log.substr(at + key.size()));
}

// A run of `args` that is given a moment to create its work files and is then sent `signal`.
ProgramEnd signalDuringRun(const ProgramFolders& folders, std::vector<std::string> args, int signal,
                           std::chrono::milliseconds delay = 200ms)
{
    ProgramRun run(folders, std::move(args));
    EXPECT_TRUE(waitForFile(folders.run() / "ia.dat", 30s)) << "the run never began";
    std::this_thread::sleep_for(delay);
    run.signal(signal);
    return run.wait(30s);
}

// ---------------------------------------------------------------------------
// Files are the program's own, or it refuses.

TEST(ProgramFiles, ALinkInPlaceOfAnyOfItsFilesIsRefusedAndItsTargetKept)
{
    for (const char* name : {"ia.dat", "ix.dat", "iy.dat", "pi_data.txt", "pi_data.txt.new", "pi_rec.txt",
                             "pi_rec.txt.new", "calvorn.lock"}) {
        SCOPED_TRACE(name);
        ProgramFolders folders;
        writeFileBytes(folders.elsewhere() / "victim", "precious");
        fs::create_symlink(folders.elsewhere() / "victim", folders.run() / name);
        const bool records = std::string(name) != "pi_rec.txt";
        if (records) writeFileBytes(folders.run() / "pi_rec.txt", earlierRecords);

        const ProgramEnd end = runProgram(folders, {"16K"});
        EXPECT_EQ(end.exitCode, 1) << describe(end);
        EXPECT_TRUE(contains(end.err, std::string(name) + " is a symbolic link")) << end.err;
        EXPECT_EQ(fileBytes(folders.elsewhere() / "victim"), "precious");
        EXPECT_TRUE(fs::is_symlink(folders.run() / name));
        Names expected{name};
        if (records) expected = std::string(name) < "pi_rec.txt" ? Names{name, "pi_rec.txt"} : Names{"pi_rec.txt", name};
        EXPECT_EQ(folders.names(), expected);
        if (records) {
            EXPECT_EQ(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
        }
    }
}

TEST(ProgramFiles, ALinkToNowhereCreatesNothingWhereItPoints)
{
    ProgramFolders folders;
    fs::create_symlink(folders.elsewhere() / "made-through-a-link", folders.run() / "ia.dat");
    const ProgramEnd end = runProgram(folders, {"16K"});
    EXPECT_EQ(end.exitCode, 1) << describe(end);
    EXPECT_FALSE(fs::exists(folders.elsewhere() / "made-through-a-link"));
}

TEST(ProgramFiles, FoldersFifosAndDevicesInTheWayAreNamedBeforeTheRunStarts)
{
    struct Planted {
        const char* name;
        const char* kind;
        std::function<void(const fs::path&)> make;
    };
    std::vector<Planted> planted{
        {"iy.dat", "a directory", [](const fs::path& p) { fs::create_directory(p); }},
        {"it.dat", "a FIFO", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"pi_data.txt", "a FIFO", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
    };
    if (geteuid() == 0)
        planted.push_back({"ib.dat", "a device", [](const fs::path& p) {
                               ASSERT_EQ(mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0); // like /dev/null
                           }});
    for (const Planted& p : planted) {
        SCOPED_TRACE(p.name);
        ProgramFolders folders;
        p.make(folders.run() / p.name);
        writeFileBytes(folders.run() / "pi_rec.txt", earlierRecords);
        const ProgramEnd end = runProgram(folders, {"16K"}, {}, 20s);
        EXPECT_FALSE(end.timedOut);
        EXPECT_EQ(end.exitCode, 1) << describe(end);
        EXPECT_TRUE(contains(end.err, std::string(p.name) + " is " + p.kind)) << end.err;
        EXPECT_TRUE(end.out.empty()) << end.out; // not even the start line
        EXPECT_EQ(folders.names().size(), 2u);
        EXPECT_EQ(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
    }
    if (geteuid() != 0) GTEST_SKIP() << "a device node needs root to be made; the other kinds were checked";
}

TEST(ProgramFiles, FilesLeftByAKilledRunGoByTheirNamesOnly)
{
    // A killed run leaves its work files, side files and lock file; one of
    // them is a hard link to a file elsewhere, which must keep its bytes.
    ProgramFolders folders;
    writeFileBytes(folders.elsewhere() / "victim", "precious");
    fs::create_hard_link(folders.elsewhere() / "victim", folders.run() / "ia.dat");
    for (const char* name : {"iw.dat", "pi_data.txt.new", "pi_rec.txt.new", "calvorn.lock"})
        writeFileBytes(folders.run() / name, "left over");
    const ProgramEnd end = runProgram(folders, {"16K"});
    EXPECT_EQ(end.exitCode, 0) << describe(end);
    EXPECT_EQ(fileBytes(folders.elsewhere() / "victim"), "precious");
    EXPECT_EQ(folders.names(), (Names{"pi_data.txt", "pi_rec.txt"}));
    EXPECT_EQ(fs::file_size(folders.run() / "pi_data.txt"), sixteenKDigitsFileBytes);
    // Said in one line of the log, before the run starts.
    EXPECT_TRUE(end.out.starts_with("removed the files left behind by a run that did not end properly: "
                                    "ia.dat, iw.dat, pi_data.txt.new, pi_rec.txt.new, calvorn.lock\n"))
        << end.out;

    // With --json the line goes where the log goes, and the report stays alone on standard output.
    writeFileBytes(folders.run() / "ix.dat", "left over");
    const ProgramEnd json = runProgram(folders, {"16K", "--json"});
    EXPECT_EQ(json.exitCode, 0) << describe(json);
    EXPECT_TRUE(json.out.starts_with("{")) << json.out;
    EXPECT_TRUE(contains(json.err, "did not end properly: ix.dat\n")) << json.err;

    // Nothing left, nothing said.
    const ProgramEnd clean = runProgram(folders, {"16K"});
    EXPECT_FALSE(contains(clean.out, "left behind")) << clean.out;
}

// ---------------------------------------------------------------------------
// The records: a FIFO does not hang the program, unreadable records are kept.

TEST(ProgramRecords, AFifoNamedLikeTheRecordsDoesNotHangTheProgram)
{
    ProgramFolders folders;
    ASSERT_EQ(mkfifo((folders.run() / "pi_rec.txt").c_str(), 0600), 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"16K"}, {"--records"}}) {
        SCOPED_TRACE(args.front());
        const ProgramEnd end = runProgram(folders, args, {}, 20s);
        EXPECT_FALSE(end.timedOut);
        EXPECT_EQ(end.exitCode, 1) << describe(end);
        EXPECT_TRUE(contains(end.err, "pi_rec.txt is a FIFO")) << end.err;
        EXPECT_EQ(folders.names(), Names{"pi_rec.txt"});
        EXPECT_EQ(fs::status(folders.run() / "pi_rec.txt").type(), fs::file_type::fifo);
    }
}

TEST(ProgramRecords, RecordsThatCannotBeReadAreReportedAndNeverReplaced)
{
    // Root reads any file: the program then runs as "nobody", for whom a
    // file of mode 000 is unreadable.
    ProgramFolders folders;
    const fs::path records = folders.run() / "pi_rec.txt";
    writeFileBytes(records, earlierRecords);
    fs::permissions(records, fs::perms::none);
    fs::permissions(folders.run(), fs::perms::all);
    std::function<void()> asAnotherUser;
    if (geteuid() == 0) {
        asAnotherUser = [] {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(123);
        };
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"16K"}, {"--records"}}) {
        SCOPED_TRACE(args.front());
        const ProgramEnd end = runProgram(folders, args, asAnotherUser);
        ASSERT_NE(end.exitCode, 123) << "cannot run as another user";
        EXPECT_EQ(end.exitCode, 1) << describe(end);
        EXPECT_TRUE(contains(end.err, "cannot read pi_rec.txt: Permission denied")) << end.err;
        EXPECT_EQ(folders.names(), Names{"pi_rec.txt"});
        EXPECT_EQ(fs::status(records).permissions(), fs::perms::none);
        EXPECT_EQ(fileBytes(records), earlierRecords);
    }
}

// ---------------------------------------------------------------------------
// The digits: the previous file stays until new ones are complete and right.

TEST(ProgramDigits, AFailedOrStoppedRunKeepsThePreviousDigits)
{
    ProgramFolders folders;
    writeFileBytes(folders.run() / "pi_data.txt", "the digits of an earlier run");
    writeFileBytes(folders.run() / "pi_rec.txt", earlierRecords);

    // The work files of 16K fit in 16 KiB, the 18392 bytes of digits do not.
    const ProgramEnd full = runProgram(folders, {"16K"}, [] { setLimit(RLIMIT_FSIZE, 16384); });
    EXPECT_TRUE(full.exited) << describe(full);
    EXPECT_EQ(full.exitCode, 1) << describe(full);
    EXPECT_TRUE(contains(full.err, "cannot write pi_data.txt: File too large")) << full.err;

    const ProgramEnd stopped = signalDuringRun(folders, {"4M"}, SIGINT);
    EXPECT_EQ(stopped.exitCode, 1) << describe(stopped);

    EXPECT_EQ(fileBytes(folders.run() / "pi_data.txt"), "the digits of an earlier run");
    EXPECT_EQ(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
    EXPECT_EQ(folders.names(), (Names{"pi_data.txt", "pi_rec.txt"}));

    const ProgramEnd good = runProgram(folders, {"16K"});
    EXPECT_EQ(good.exitCode, 0) << describe(good);
    EXPECT_TRUE(contains(good.out, "digits verified")) << good.out;
    // The run that failed on its digits file, then the good one; not the stopped one.
    const std::string history = fileBytes(folders.historyFile());
    EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 2) << history;
    EXPECT_TRUE(contains(history, "\"verdict\":\"failed\"")) << history;
    EXPECT_EQ(fs::file_size(folders.run() / "pi_data.txt"), sixteenKDigitsFileBytes);
    EXPECT_NE(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
}

// ---------------------------------------------------------------------------
// One run per folder.

TEST(ProgramLock, ASecondRunInTheSameFolderRefusesAtOnceAndChangesNothing)
{
    ProgramFolders folders;
    writeFileBytes(folders.run() / "pi_rec.txt", earlierRecords);
    ProgramRun first(folders, {"4M"});
    ASSERT_TRUE(waitForFile(folders.run() / "ia.dat", 30s));
    const auto workFileSize = fs::file_size(folders.run() / "ia.dat");

    ProgramFolders other; // the second run's output goes elsewhere
    fs::remove(other.run());
    fs::create_directory_symlink(folders.run(), other.run());
    const auto start = std::chrono::steady_clock::now();
    const ProgramEnd second = runProgram(other, {"16K"}, {}, 10s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(second.exitCode, 1) << describe(second);
    EXPECT_TRUE(contains(second.err, "another run is using this folder")) << second.err;
    EXPECT_TRUE(second.out.empty()) << second.out;
    EXPECT_EQ(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
    EXPECT_TRUE(fs::exists(folders.run() / "ia.dat"));
    EXPECT_GE(fs::file_size(folders.run() / "ia.dat"), workFileSize);

    first.signal(SIGINT);
    const ProgramEnd end = first.wait(30s);
    EXPECT_EQ(end.exitCode, 1) << describe(end);
    EXPECT_EQ(folders.names(), Names{"pi_rec.txt"});
    fs::remove(other.run());

    // The lock went with the first run: the folder is free again.
    const ProgramEnd after = runProgram(folders, {"16K"});
    EXPECT_EQ(after.exitCode, 0) << describe(after);
}

// ---------------------------------------------------------------------------
// Every way out cleans up.

TEST(ProgramSignals, TermHupQuitAndIntEndARunAsAStop)
{
    for (const int signal : {SIGTERM, SIGHUP, SIGQUIT, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        ProgramFolders folders;
        writeFileBytes(folders.run() / "pi_rec.txt", earlierRecords);
        const ProgramEnd end = signalDuringRun(folders, {"4M"}, signal);
        EXPECT_TRUE(end.exited) << describe(end);
        EXPECT_EQ(end.exitCode, 1) << describe(end);
        EXPECT_TRUE(contains(end.err, "the run was stopped; no record is written")) << end.err;
        EXPECT_EQ(folders.names(), Names{"pi_rec.txt"});
        EXPECT_EQ(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
        EXPECT_FALSE(fs::exists(folders.historyFile())) << "a stopped run went into the history";
    }
}

TEST(ProgramSignals, AReaderThatGoesAwayEndsTheRunAndItsFiles)
{
    // calvorn 4M | head -1
    ProgramFolders folders;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const int readEnd = pipeEnds[0];
    const int writeEnd = pipeEnds[1];
    ProgramRun run(folders, {"4M"}, [readEnd, writeEnd] {
        close(readEnd);
        dup2(writeEnd, 1);
        close(writeEnd);
    });
    close(writeEnd);
    char first = 0;
    while (read(readEnd, &first, 1) == 1 && first != '\n') {
    }
    close(readEnd);
    const ProgramEnd end = run.wait(60s);
    EXPECT_TRUE(end.exited) << describe(end);
    EXPECT_EQ(end.exitCode, 1) << describe(end);
    EXPECT_EQ(folders.names(), Names{"pi_rec.txt"});
}

TEST(ProgramSignals, AFileSizeLimitIsAClearFailure)
{
    // ulimit -f: the fifth block of "ia.dat" at 16K lies past 8 KiB.
    ProgramFolders folders;
    writeFileBytes(folders.run() / "pi_rec.txt", earlierRecords);
    const ProgramEnd end = runProgram(folders, {"16K"}, [] { setLimit(RLIMIT_FSIZE, 8192); });
    EXPECT_TRUE(end.exited) << describe(end);
    EXPECT_EQ(end.exitCode, 1);
    EXPECT_TRUE(contains(end.err, "ERROR: cannot write ia.dat: File too large")) << end.err;
    EXPECT_EQ(folders.names(), Names{"pi_rec.txt"});
    EXPECT_EQ(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
}

TEST(ProgramStreams, ClosedStandardDescriptorsAreNotTakenByItsFiles)
{
    ProgramFolders folders;
    const ProgramEnd end = runProgram(folders, {"16K"}, [] {
        close(0);
        close(1);
        close(2);
    });
    EXPECT_EQ(end.exitCode, 0) << describe(end);
    EXPECT_EQ(folders.names(), (Names{"pi_data.txt", "pi_rec.txt"}));
    EXPECT_EQ(fs::file_size(folders.run() / "pi_data.txt"), sixteenKDigitsFileBytes);
    EXPECT_EQ(fileBytes(folders.run() / "pi_data.txt").substr(0, 9), "PI=3.\r\n\r\n");
}

TEST(ProgramStreams, AReportThatCannotBeWrittenIsAFailure)
{
    ProgramFolders folders;
    const ProgramEnd end = runProgram(folders, {"16K"}, [] {
        const int full = open("/dev/full", O_WRONLY);
        if (full < 0) _exit(122);
        dup2(full, 1);
    });
    ASSERT_NE(end.exitCode, 122) << "no /dev/full";
    EXPECT_EQ(end.exitCode, 1) << describe(end);
    EXPECT_TRUE(contains(end.err, "calvorn: cannot write the report to standard output: No space left on device"))
        << end.err;
    EXPECT_EQ(fs::file_size(folders.run() / "pi_data.txt"), sixteenKDigitsFileBytes);
}

TEST(ProgramDisk, TheReasonForAFullDiskFindsRoomOnIt)
{
    // A 160 KiB disk holds the records and standard error; the seven work
    // files of 64K (40 KiB each) do not fit on it. The message comes after
    // they are removed, so it can be written there.
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    if (system("command -v unshare >/dev/null 2>&1") != 0) GTEST_SKIP() << "unshare(1) is not installed";
    ProgramFolders folders;
    const std::string script =
        "mount -t tmpfs -o size=160k tmpfs \"$1\" || exit 90; cd \"$1\" || exit 91; "
        "printf '%s' \"$3\" > pi_rec.txt; \"$2\" 64K > \"$4/stdout.txt\" 2> err.txt; echo $? > \"$4/rc\"; "
        "cp err.txt \"$4/err.txt\"; ls -A > \"$4/names\"; cmp -s pi_rec.txt \"$4/records\"; echo $? > \"$4/same\"";
    writeFileBytes(folders.elsewhere() / "records", earlierRecords);
    ProgramRun run(folders, {}, [&] {
        const std::string e = folders.elsewhere().string();
        execlp("unshare", "unshare", "-m", "--propagation", "private", "sh", "-c", script.c_str(), "sh",
               folders.run().c_str(), programPath().c_str(), earlierRecords.c_str(), e.c_str(), static_cast<char*>(nullptr));
        _exit(92);
    });
    const ProgramEnd end = run.wait(60s);
    if (end.exitCode == 90 || end.exitCode == 92) GTEST_SKIP() << "cannot mount a tmpfs here: " << end.err;
    EXPECT_EQ(fileBytes(folders.elsewhere() / "rc"), "1\n");
    const std::string err = fileBytes(folders.elsewhere() / "err.txt");
    EXPECT_TRUE(contains(err, "ERROR: cannot write i")) << err;
    EXPECT_TRUE(contains(err, "No space left on device")) << err;
    EXPECT_EQ(fileBytes(folders.elsewhere() / "names"), "err.txt\npi_rec.txt\n");
    EXPECT_EQ(fileBytes(folders.elsewhere() / "same"), "0\n");
}

// ---------------------------------------------------------------------------
// Memory: the process's own limits and the --memory cap.

TEST(ProgramMemory, AnAddressSpaceLimitShrinksTheWorkArea)
{
    // ulimit -v 14000: the 8 MiB work area of 1M does not fit beside the
    // program; a smaller one does, and the products go out of core.
    ProgramFolders folders;
    const ProgramEnd end = runProgram(folders, {"1M"}, [] { setLimit(RLIMIT_AS, 14000 * 1024); });
    EXPECT_EQ(end.exitCode, 0) << describe(end);
    EXPECT_TRUE(contains(end.out, "digits verified")) << end.out;
    const std::uint64_t area = allocatedBytes(end.out);
    EXPECT_GE(area, 524328u);
    EXPECT_LE(area, 4194344u);
}

TEST(ProgramMemory, TheMemoryOptionCapsTheWorkArea)
{
    ProgramFolders folders;
    const ProgramEnd capped = runProgram(folders, {"--memory", "512K", "256K"});
    EXPECT_EQ(capped.exitCode, 0) << describe(capped);
    EXPECT_TRUE(contains(capped.out, "digits verified")) << capped.out;
    // The shortened area (262184 bytes) and the room beyond it for the out-of-core
    // products fill the cap, not a byte more.
    EXPECT_EQ(allocatedBytes(capped.out), 524288u);

    // Below the smallest work area of the size: the memory message alone,
    // without a caption, and no work file.
    const ProgramEnd tooSmall = runProgram(folders, {"256K", "--memory=100K"});
    EXPECT_EQ(tooSmall.exitCode, 1) << describe(tooSmall);
    EXPECT_TRUE(tooSmall.err.starts_with("not enough memory for the work area\n")) << tooSmall.err;
    const ProgramEnd window = runProgram(folders, {"256K", "--memory=100K", "--lang", "ko"});
    EXPECT_TRUE(window.err.starts_with("メモリが確保できませんでした\n")) << window.err;
    EXPECT_EQ(folders.names(), (Names{"pi_data.txt", "pi_rec.txt"}));
}

TEST(ProgramMemory, AControlGroupLimitShrinksTheWorkArea)
{
    GTEST_SKIP() << "a memory control group of its own would change the machine's control groups; "
                    "the reading of the limits is checked on a copied tree in platform_test";
}

} // namespace
} // namespace calvorn::test
