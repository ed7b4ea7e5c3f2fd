// What a save does to the file it replaces: who may write it, who owns it afterwards, where it lands
// when the folder or the owner stands in the way.
#include "app/settings/atomic_file.h"
#include "app/settings/file_calls.h"
#include "tests/support/unprivileged.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using korva::app::FileCalls;
using korva::app::WriteFileAtomically;

namespace {

using korva::testing::kUnprivilegedGroup;
using korva::testing::kUnprivilegedUser;
using korva::testing::RunningAsRoot;

// The error a save raised, or nothing when it succeeded.
std::optional<std::string> Save(const std::string& path, const std::string& bytes) {
    try {
        WriteFileAtomically(path, bytes);
        return std::nullopt;
    } catch (const std::runtime_error& error) {
        return std::string(error.what());
    }
}

// Saves as a user whom permission bits stop; a save's error text is never empty.
std::optional<std::string> SaveUnprivileged(const std::string& path, const std::string& bytes) {
    std::string error = korva::testing::RunUnprivileged([&] { return Save(path, bytes).value_or(""); });
    return error.empty() ? std::nullopt : std::optional<std::string>(std::move(error));
}

class AtomicFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string name = "/tmp/korva-atomic-XXXXXX";
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        folder_ = name;
        path_ = (folder_ / "KorvaCfg.ini").string();
    }
    void TearDown() override {
        // A folder left read-only would keep an unprivileged run from removing what is in it.
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
            if (entry.is_directory(ignore_) && !entry.is_symlink(ignore_))
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignore_);
        }
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignore_);
        fs::remove_all(folder_);
    }

    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static struct stat Status(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
        return info;
    }
    static std::vector<std::string> Entries(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void GiveToSaver(const fs::path& path) { korva::testing::GiveToUnprivilegedUser(path.string()); }
    static void SetMode(const fs::path& path, mode_t mode) { ASSERT_EQ(chmod(path.c_str(), mode), 0) << path; }

    fs::path folder_;
    std::string path_;
    std::error_code ignore_;
};

TEST_F(AtomicFileTest, PermissionsOfTheFileAndItsFolderDecideWhetherAndHowItIsWritten) {
    constexpr const char* kOld = "[Geral]\nIP=the old value, longer than the new one\n";
    constexpr const char* kNew = "[Geral]\nIP=new\n";
    struct Case {
        const char* what;
        mode_t folderMode;
        std::optional<mode_t> fileMode;  // no file at all when empty
        bool saved;
    };
    const Case cases[] = {
        {"a writable file in a writable folder", 0755, 0644, true},
        {"a read-only file in a writable folder", 0755, 0444, false},
        {"a writable file in a read-only folder, written in place", 0555, 0644, true},
        {"a read-only file in a read-only folder", 0555, 0444, false},
        {"no file in a writable folder", 0755, std::nullopt, true},
        {"no file in a read-only folder", 0555, std::nullopt, false},
    };
    // Fresh for each case and reachable by the unprivileged saver.
    SetMode(folder_, 0755);
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = folder_ / std::to_string(index++);
        const std::string path = (folder / "KorvaCfg.ini").string();
        ASSERT_TRUE(fs::create_directory(folder));
        GiveToSaver(folder);
        if (c.fileMode) {
            Write(path, kOld);
            GiveToSaver(path);
            SetMode(path, *c.fileMode);
        }
        SetMode(folder, c.folderMode);
        const ino_t before = c.fileMode ? Status(path).st_ino : 0;

        const std::optional<std::string> error = SaveUnprivileged(path, kNew);

        if (c.saved) {
            EXPECT_EQ(error, std::nullopt);
            EXPECT_EQ(Read(path), kNew);
        } else {
            EXPECT_EQ(error, "Unable to write to " + path);
            if (c.fileMode) {
                EXPECT_EQ(Read(path), kOld);
            }
        }
        if (c.folderMode == 0555 && c.fileMode) {
            EXPECT_EQ(Status(path).st_ino, before) << "the very same file, written where it is";
        }
        if (c.fileMode) {
            EXPECT_EQ(Status(path).st_mode & 07777, *c.fileMode);
        }
        const std::vector<std::string> expected =
            c.fileMode || c.saved ? std::vector<std::string>{"KorvaCfg.ini"} : std::vector<std::string>{};
        EXPECT_EQ(Entries(folder), expected) << "nothing created beside the file";
    }
}

TEST_F(AtomicFileTest, ReplacedFileKeepsItsOwnerGroupAndMode) {
    if (!RunningAsRoot())
        GTEST_SKIP() << "giving the file to another user needs root";
    const std::string real = (folder_ / "real.ini").string();
    const std::string link = (folder_ / "link.ini").string();
    fs::create_symlink(real, link);
    for (const std::string& path : {real, link}) {
        SCOPED_TRACE(path);
        Write(real, "[Geral]\nIP=1\n");
        ASSERT_EQ(chown(real.c_str(), kUnprivilegedUser, kUnprivilegedGroup), 0);
        SetMode(real, 0604);

        ASSERT_EQ(Save(path, "[Geral]\nIP=2\n"), std::nullopt);

        EXPECT_EQ(Read(real), "[Geral]\nIP=2\n");
        const struct stat info = Status(real);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_uid, kUnprivilegedUser);
        EXPECT_EQ(info.st_gid, kUnprivilegedGroup);
        EXPECT_EQ(info.st_mode & 07777, 0604u);
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_EQ(Entries(folder_), (std::vector<std::string>{"link.ini", "real.ini"}));
}

TEST_F(AtomicFileTest, FileThatCannotKeepItsOwnerWhenReplacedIsWrittenInPlace) {
    if (!RunningAsRoot())
        GTEST_SKIP() << "a file of another user that this one may write needs root to set up";
    // The saver may create files in the folder, so only the owner stands in the way of a rename.
    SetMode(folder_, 0755);
    GiveToSaver(folder_);
    Write(path_, "[Geral]\nIP=the old value, longer than the new one\n");
    SetMode(path_, 0666);
    const struct stat before = Status(path_);

    ASSERT_EQ(SaveUnprivileged(path_, "[Geral]\nIP=2\n"), std::nullopt);

    EXPECT_EQ(Read(path_), "[Geral]\nIP=2\n");
    const struct stat after = Status(path_);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"KorvaCfg.ini"});
}

TEST_F(AtomicFileTest, LinkToNothingIsAnErrorAndCreatesNothing) {
    const fs::path missing = folder_ / "moved away" / "KorvaCfg.ini";
    const fs::path nearby = folder_ / "gone.ini";
    for (const fs::path& target : {missing, nearby}) {
        SCOPED_TRACE(target);
        fs::remove(path_);
        fs::create_symlink(target, path_);

        EXPECT_EQ(Save(path_, "[Geral]\nIP=1\n"), "Unable to write to " + path_);

        ASSERT_TRUE(fs::is_symlink(path_));
        EXPECT_EQ(fs::read_symlink(path_), target);
        EXPECT_EQ(Entries(folder_), std::vector<std::string>{"KorvaCfg.ini"});
    }
}

TEST_F(AtomicFileTest, PipeInPlaceOfTheFileIsRefusedAtOnceAndKept) {
    // Nobody reads the pipe: opening it to write would wait forever without O_NONBLOCK.
    ASSERT_EQ(mkfifo(path_.c_str(), 0644), 0);

    EXPECT_EQ(Save(path_, "[Geral]\nIP=1\n"), "Unable to write to " + path_);

    EXPECT_TRUE(S_ISFIFO(Status(path_).st_mode));
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"KorvaCfg.ini"});
}

// Makes the calls for real and records each as "<call> <what it acts on>", naming the settings file
// "target", the save's temporary file "temporary" and their folder "folder". A call recorded under a
// name in failures is not made and fails with the error given there.
class RecordingCalls : public FileCalls {
public:
    explicit RecordingCalls(std::string target, std::map<std::string, int> failures = {})
        : target_(std::move(target)), failures_(std::move(failures)) {}

    int Open(const char* path, int flags, mode_t mode) override {
        const std::string name = NameOf(path);
        if (Fails("open " + name))
            return -1;
        const int fd = FileCalls::Open(path, flags, mode);
        names_[fd] = name;
        return fd;
    }
    ssize_t Write(int fd, const void* bytes, size_t count) override {
        return Fails("write " + names_[fd]) ? -1 : FileCalls::Write(fd, bytes, count);
    }
    int Ftruncate(int fd, off_t length) override {
        return Fails("ftruncate " + names_[fd]) ? -1 : FileCalls::Ftruncate(fd, length);
    }
    int Fchown(int fd, uid_t owner, gid_t group) override {
        return Fails("fchown " + names_[fd]) ? -1 : FileCalls::Fchown(fd, owner, group);
    }
    int Fchmod(int fd, mode_t mode) override {
        return Fails("fchmod " + names_[fd]) ? -1 : FileCalls::Fchmod(fd, mode);
    }
    int Fsync(int fd) override { return Fails("fsync " + names_[fd]) ? -1 : FileCalls::Fsync(fd); }
    int Rename(const char* from, const char* to) override {
        return Fails("rename " + NameOf(from) + " " + NameOf(to)) ? -1 : FileCalls::Rename(from, to);
    }
    // Always made, so that no test leaks a descriptor or a file.
    int Close(int fd) override {
        calls.push_back("close " + names_[fd]);
        return FileCalls::Close(fd);
    }
    int Unlink(const char* path) override {
        calls.push_back("unlink " + NameOf(path));
        return FileCalls::Unlink(path);
    }

    std::vector<std::string> calls;

private:
    std::string NameOf(const std::string& path) const {
        if (path == target_)
            return "target";
        if (path.rfind(target_ + ".tmp", 0) == 0)
            return "temporary";
        return path == fs::path(target_).parent_path().string() ? "folder" : path;
    }
    bool Fails(std::string call) {
        calls.push_back(std::move(call));
        const auto failure = failures_.find(calls.back());
        if (failure == failures_.end())
            return false;
        errno = failure->second;
        return true;
    }

    const std::string target_;
    const std::map<std::string, int> failures_;
    std::map<int, std::string> names_;
};

constexpr const char* kOldText = "[Geral]\nIP=the old value, longer than the new one\n";
constexpr const char* kNewText = "[Geral]\nIP=new\n";

TEST_F(AtomicFileTest, EveryByteIsFlushedBeforeTheRenameAndTheRenameBeforeTheSaveEnds) {
    const std::vector<std::string> replacing = {
        "open target",     "open temporary",  "fchown temporary", "fchmod temporary",
        "write temporary", "fsync temporary", "close temporary",  "rename temporary target",
        "open folder",     "fsync folder",    "close folder",     "close target",
    };
    const std::vector<std::string> creating = {
        "open target",     "open temporary",  "write temporary",
        "fsync temporary", "close temporary", "rename temporary target",
        "open folder",     "fsync folder",    "close folder",
    };
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "replacing a file" : "creating the file");
        fs::remove(path_);
        if (existing)
            Write(path_, kOldText);
        RecordingCalls calls(path_);

        WriteFileAtomically(path_, kNewText, calls);

        EXPECT_EQ(calls.calls, existing ? replacing : creating);
        EXPECT_EQ(Read(path_), kNewText);
    }
}

TEST_F(AtomicFileTest, FailedCallIsReportedAndLeavesNoTemporaryFile) {
    struct Case {
        const char* failing;
        bool existing;
        std::optional<std::string> left;  // what the file holds afterwards; no file when empty
    };
    const Case cases[] = {
        {"fsync temporary", true, kOldText},
        {"fsync temporary", false, std::nullopt},
        {"write temporary", true, kOldText},
        {"fchmod temporary", true, kOldText},
        {"rename temporary target", true, kOldText},
        {"rename temporary target", false, std::nullopt},
        // Renamed already, but not yet sure to outlast a crash: the next save tries again.
        {"fsync folder", true, kNewText},
        {"fsync folder", false, kNewText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.failing) + (c.existing ? ", replacing a file" : ", creating the file"));
        fs::remove(path_);
        if (c.existing)
            Write(path_, kOldText);
        RecordingCalls calls(path_, {{c.failing, EIO}});

        try {
            WriteFileAtomically(path_, kNewText, calls);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + path_);
        }

        EXPECT_EQ(fs::exists(path_), c.left.has_value());
        if (c.left) {
            EXPECT_EQ(Read(path_), *c.left);
        }
        const std::vector<std::string> expected =
            c.left ? std::vector<std::string>{"KorvaCfg.ini"} : std::vector<std::string>{};
        EXPECT_EQ(Entries(folder_), expected);
    }
}

TEST_F(AtomicFileTest, InPlaceWriteCutsTheFileOnlyAfterWritingAndFlushesLast) {
    struct Case {
        const char* what;
        std::map<std::string, int> failures;
        std::vector<std::string> calls;
        bool saved;
    };
    const std::vector<std::string> inPlace = {"open target",      "open temporary", "write target",
                                              "ftruncate target", "fsync target",   "close target"};
    const Case cases[] = {
        {"the folder takes no new files", {{"open temporary", EACCES}}, inPlace, true},
        {"the replacement cannot be given the owner",
         {{"fchown temporary", EPERM}},
         {"open target", "open temporary", "fchown temporary", "close temporary", "unlink temporary", "write target",
          "ftruncate target", "fsync target", "close target"},
         true},
        // A full disk is no reason to give up the crash-proof way for one that would not fit either.
        {"the disk is full", {{"open temporary", ENOSPC}}, {"open target", "open temporary", "close target"}, false},
        {"the flush of the file fails", {{"open temporary", EACCES}, {"fsync target", EIO}}, inPlace, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(path_, kOldText);
        const ino_t before = Status(path_).st_ino;
        RecordingCalls calls(path_, c.failures);

        bool saved = true;
        try {
            WriteFileAtomically(path_, kNewText, calls);
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + path_);
            saved = false;
        }

        EXPECT_EQ(saved, c.saved);
        EXPECT_EQ(calls.calls, c.calls);
        if (c.saved) {
            EXPECT_EQ(Read(path_), kNewText);
        }
        EXPECT_EQ(Status(path_).st_ino, before);
        EXPECT_EQ(Entries(folder_), std::vector<std::string>{"KorvaCfg.ini"});
    }
}

}  // namespace
