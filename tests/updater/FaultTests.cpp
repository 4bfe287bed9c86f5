// Whole runs of the program while its files fail: a log that cannot be
// written, an installed-updates record that cannot be written after a good
// install, a descriptor another program holds. The platform is scripted to
// fail exactly one file in exactly one way.
#include "Brantel.h"

#include "FakeOs.h"
#include "FileFaults.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using testing_support::FakeOs;
using testing_support::TempDir;

namespace
{

const std::wstring kSep(1, static_cast<wchar_t>(platform::kPathSeparator));
const std::wstring kValidation = L"Patch update status: Validation in-progress...\n";
const std::wstring kInProgress =
    L"Patch update status: Installation in-progress.\nPlease wait to complete...\n";
const std::wstring kPleaseWait = L"Please wait to close the application...\n";
const std::wstring kSucceeded = L"Patch update status: Completed successfully.\n";
const std::wstring kFailed =
    L"Patch update status: Update failed, please check the log for complete details.\n";

// Real files, except those named: their opens fail with one status, or
// their writes (all bytes or none, as the platform promises) with another.
class FaultyFileOs : public FakeOs
{
public:
    std::vector<std::wstring> faultyNames;
    platform::Status openFailure = platform::kSuccess;
    platform::Status writeFailure = platform::kSuccess;
    int failedOpens = 0;
    int failedWrites = 0;

    platform::Status FileOpenForReading(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override
    {
        return Open(path, file, [&] { return FakeOs::FileOpenForReading(path, mode, file); });
    }
    platform::Status FileOpenForWriting(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override
    {
        return Open(path, file, [&] { return FakeOs::FileOpenForWriting(path, mode, file); });
    }
    platform::Status FileWrite(platform::FileHandle file, const void* data,
                               std::uint32_t count) override
    {
        if (m_faultyHandles.count(file) != 0 && writeFailure != platform::kSuccess)
        {
            ++failedWrites;
            return writeFailure;
        }
        return FakeOs::FileWrite(file, data, count);
    }
    // Brantel's own files are replaced whole: a failure to open the new file
    // or to write it fails the replace, and the old file stays.
    platform::Status ReplaceFileContent(platform::XStringView path, const void* data,
                                        std::size_t size,
                                        const platform::ReplaceOptions& options) override
    {
        if (IsFaulty(path) && openFailure != platform::kSuccess)
        {
            ++failedOpens;
            return openFailure;
        }
        if (IsFaulty(path) && writeFailure != platform::kSuccess)
        {
            ++failedWrites;
            return writeFailure;
        }
        return FakeOs::ReplaceFileContent(path, data, size, options);
    }
    platform::Status FileClose(platform::FileHandle file) override
    {
        m_faultyHandles.erase(file);
        return FakeOs::FileClose(file);
    }

private:
    template <class OpenFile>
    platform::Status Open(platform::XStringView path, platform::FileHandle& file, OpenFile open)
    {
        const bool faulty = IsFaulty(path);
        if (faulty && openFailure != platform::kSuccess)
        {
            ++failedOpens;
            return openFailure;
        }
        const platform::Status status = open();
        if (status == platform::kSuccess && faulty)
            m_faultyHandles.insert(file);
        return status;
    }

    bool IsFaulty(platform::XStringView given) const
    {
        const std::wstring path = testing_support::W(given);
        for (const std::wstring& name : faultyNames)
        {
            if (path.size() > name.size() &&
                path.compare(path.size() - name.size(), name.size(), name) == 0 &&
                path[path.size() - name.size() - 1] ==
                    static_cast<wchar_t>(platform::kPathSeparator))
                return true;
        }
        return false;
    }

    std::set<platform::FileHandle> m_faultyHandles;
};

// A product at 14.0.0.4 and a patch to 14.0.0.5 whose installer works.
class FaultTest : public ::testing::Test
{
protected:
    FaultTest() : m_scope(os)
    {
        std::filesystem::create_directories(dir.Path() / L"patch");
        std::filesystem::create_directories(dir.Path() / L"product");
        const std::wstring productFolder = dir.Wide() + kSep + L"product";
        product = productFolder + kSep + L"Qvw.exe";
        record = productFolder + kSep + L"installedupdates.dat";
        descriptor = dir.Wide() + kSep + L"patch" + kSep + L"brantel.dat";
        os.moduleFileName = dir.Wide() + kSep + L"patch" + kSep + L"Brantel.exe";
        os.registry[L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0"] = {
            {L"Version", L"14.0"}, {L"Installpath", productFolder}};
        os.registry[L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0"] = {
            {L"DisplayIcon", product}};
        dir.Write(L"patch" + kSep + L"brantel.dat",
                  "PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=setup.exe\r\n"
                  "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.3, 14.0.0.4\r\n");
        dir.Write(L"patch" + kSep + L"setup.exe", "installer");
        dir.Write(L"product" + kSep + L"Qvw.exe", "product");
        os.fileVersions[product] = FakeOs::Version(14, 0, 0, 4);
        os.onStart = [this](const std::wstring&, const std::wstring&)
        {
            os.fileVersions[product] = FakeOs::Version(14, 0, 0, 5);
            return platform::kSuccess;
        };
    }

    int Run()
    {
        wchar_t* argv[] = {nullptr};
        return BrantelMain(0, argv);
    }
    std::string Log() const { return dir.Read(L"patch" + kSep + L"Log_QVW_14_Brantel.txt"); }
    std::string RecordText() const { return dir.Read(L"product" + kSep + L"installedupdates.dat"); }

    FaultyFileOs os;
    TempDir dir;
    std::wstring product, record, descriptor;

private:
    platform::ScopedOs m_scope;
};

std::string Narrow(const std::wstring& text)
{
    return platform::ToUtf8(platform::FromWide(text.c_str(), text.size()));
}

// How the log's file fails; the run must not notice.
struct LogFault
{
    const char* name;
    platform::Status openFailure;
    platform::Status writeFailure;
};

void PrintTo(const LogFault& c, std::ostream* out)
{
    *out << c.name;
}

class LogFaultTest : public FaultTest, public ::testing::WithParamInterface<LogFault>
{
};

TEST_P(LogFaultTest, RunEndsAsUsualWithoutItsLog)
{
    os.faultyNames = {L"Log_QVW_14_Brantel.txt"};
    os.openFailure = GetParam().openFailure;
    os.writeFailure = GetParam().writeFailure;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(os.failedOpens + os.failedWrites, 1) << "the log was tried once";
    EXPECT_EQ(os.console, kValidation + kInProgress + kSucceeded + kPleaseWait);
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{10000}));
    EXPECT_EQ(RecordText(), "Quenvia 14.0 Patch 5") << "the patch is recorded all the same";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LogFaultTest,
    ::testing::Values(LogFault{"lockedByAnotherProgram", platform::kErrorSharingViolation, 0},
                      LogFault{"folderNotWritable", platform::kErrorAccessDenied, 0},
                      LogFault{"diskFullWhileWriting", 0, platform::kErrorDiskFull},
                      LogFault{"regionLockedWhileWriting", 0, platform::kErrorLockViolation}),
    [](const auto& row) { return std::string(row.param.name); });

// How the record's file fails after a good install; the update is reported
// failed with the framework's words for the fault, and the log says so.
struct RecordFault
{
    const char* name;
    platform::Status openFailure;
    platform::Status writeFailure;
    std::wstring before; // the description is this, the record's path, then after
    std::wstring after;
};

void PrintTo(const RecordFault& c, std::ostream* out)
{
    *out << c.name;
}

class RecordFaultTest : public FaultTest, public ::testing::WithParamInterface<RecordFault>
{
};

TEST_P(RecordFaultTest, UpdateIsReportedFailedInTheLog)
{
    const RecordFault& c = GetParam();
    os.faultyNames = {L"installedupdates.dat"};
    os.openFailure = c.openFailure;
    os.writeFailure = c.writeFailure;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(os.failedOpens + os.failedWrites, 1) << "the record was tried once";
    EXPECT_EQ(os.console, kValidation + kInProgress + kFailed + kPleaseWait);
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{10000}));
    const std::string entries = "Update details found: Exit code 2.\r\n\r\n"
                                "Installedupdates failed." +
                                Narrow(c.before + record + c.after) +
                                "\r\n\r\n"
                                "Execute patch process: Not completed successfully.\r\n\r\n"
                                "=========== (Quenvia";
    EXPECT_NE(Log().find(entries), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RecordFaultTest,
    ::testing::Values(RecordFault{"diskFullWhileWriting", 0, platform::kErrorDiskFull,
                                  L"Disk full while accessing ", L"."},
                      RecordFault{"lockedByAnotherProgram", platform::kErrorSharingViolation, 0,
                                  L"A sharing violation occurred while accessing ", L"."},
                      RecordFault{"folderNotWritable", platform::kErrorAccessDenied, 0,
                                  L"Access to ", L" was denied."},
                      RecordFault{"regionLockedWhileWriting", 0, platform::kErrorLockViolation,
                                  L"A locking violation occurred while accessing ", L"."}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(FaultTest, DiskFullForLogAndRecordStillEndsTheRunNormally)
{
    // Only the console can tell what happened.
    os.faultyNames = {L"Log_QVW_14_Brantel.txt", L"installedupdates.dat"};
    os.writeFailure = platform::kErrorDiskFull;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(os.failedWrites, 2) << "one write of the record, one of the log";
    EXPECT_EQ(os.console, kValidation + kInProgress + kFailed + kPleaseWait);
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{10000}));
}

TEST_F(FaultTest, DescriptorHeldByAnotherProgramStopsBeforeAnyInstall)
{
    os.faultyNames = {L"brantel.dat"};
    os.openFailure = platform::kErrorSharingViolation;
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(os.starts.empty()) << "no installer may run";
    EXPECT_EQ(os.console, kValidation);
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{7000}));
    const std::string entries = "Client side update check, level two completed.\r\n\r\n"
                                "A sharing violation occurred while accessing " +
                                Narrow(descriptor) +
                                ".\r\n\r\n"
                                "Read patch update installer  file failed.\r\n\r\n"
                                "Patch update read process: key values not found.Exit code "
                                "1.\r\n\r\n=========== (Quenvia";
    EXPECT_NE(Log().find(entries), std::string::npos) << Log();
    EXPECT_FALSE(dir.Exists(L"product" + kSep + L"installedupdates.dat"));
}

// A full disk or an I/O error at every file-changing call of a whole run in
// turn: the record and the log each hold their old content or their new,
// whole, and success is shown only with the new record in place.
TEST_F(FaultTest, EveryFailedFileCallLeavesRecordAndLogWholeAndTheConsoleTruthful)
{
    const std::string oldRecord = "Quenvia 14.0 Patch 4";
    const std::string oldLog = "the previous run's log";
    const auto prepare = [&]
    {
        dir.Write(L"product" + kSep + L"installedupdates.dat", oldRecord);
        dir.Write(L"patch" + kSep + L"Log_QVW_14_Brantel.txt", oldLog);
        os.fileVersions[product] = FakeOs::Version(14, 0, 0, 4);
        os.console.clear();
    };
    testing_support::Fault count;
    prepare();
    {
        testing_support::ScopedFault scope(count);
        ASSERT_EQ(Run(), 0);
    }
    ASSERT_EQ(os.console, kValidation + kInProgress + kSucceeded + kPleaseWait);
    const std::string newLog = Log();
    ASSERT_GE(count.seen, 8) << "record and log: open, write, flush, replace each at least";

    for (const platform::Status status : {platform::kErrorDiskFull, platform::kErrorIoDevice})
    {
        for (int n = 1; n <= count.seen; ++n)
        {
            prepare();
            testing_support::Fault fault;
            fault.at = n;
            fault.status = status;
            {
                testing_support::ScopedFault scope(fault);
                ASSERT_EQ(Run(), 0);
            }
            const std::string now = RecordText();
            EXPECT_TRUE(now == oldRecord || now == "Quenvia 14.0 Patch 5") << n;
            const bool told = os.console.find(kSucceeded) != std::wstring::npos;
            EXPECT_TRUE(!told || now == "Quenvia 14.0 Patch 5") << n;
            const std::string log = Log();
            const std::string footer = newLog.substr(newLog.rfind("=========== ("));
            EXPECT_TRUE(log == oldLog ||
                        (log.compare(0, 200, newLog, 0, 200) == 0 && log.size() > footer.size() &&
                         log.compare(log.size() - footer.size(), footer.size(), footer) == 0))
                << n << ": " << log;
            const auto files =
                std::distance(std::filesystem::directory_iterator(dir.Path() / L"product"),
                              std::filesystem::directory_iterator());
            EXPECT_EQ(files, 2) << n << ": nothing left beside the record";
        }
    }
}

// A descriptor or a record larger than any real one is not read at all: the
// run goes on as with an unreadable file, and its log is written.
TEST_F(FaultTest, OversizedDescriptorOrRecordCountsAsUnreadable)
{
    const std::string padding(64 * 1024, ' ');
    dir.Write(L"patch" + kSep + L"brantel.dat",
              "PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=setup.exe\r\n"
              "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.3, 14.0.0.4\r\n" +
                  padding);
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(os.starts.empty());
    EXPECT_NE(Log().find("An unknown error occurred while accessing " + Narrow(descriptor) +
                         ".\r\n\r\nRead patch update installer  file failed.\r\n\r\n"
                         "Patch update read process: key values not found.Exit code 1."),
              std::string::npos)
        << Log();

    dir.Write(L"patch" + kSep + L"brantel.dat",
              "PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=setup.exe\r\n"
              "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.3, 14.0.0.4\r\n");
    dir.Write(L"product" + kSep + L"installedupdates.dat", "Quenvia 14.0 Patch 5" + padding);
    EXPECT_EQ(Run(), 0);
    EXPECT_NE(Log().find("An unknown error occurred while accessing " + Narrow(record) +
                         ".\r\n\r\nRead local installer update file failed.\r\n\r\n"
                         "Update details found: Exit code 1."),
              std::string::npos)
        << Log();
    EXPECT_EQ(RecordText(), "Quenvia 14.0 Patch 5") << "the patch ran and was recorded";
}

} // namespace
