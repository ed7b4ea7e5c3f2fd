// What a save does to the file it replaces: who may write it, who owns it afterwards, where it lands
// when the folder or the owner stands in the way.
#include "app/atomic_file.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using korva::app::WriteFileAtomically;

namespace {

// The unprivileged user the saves of "may not write" cases run as when the tests run as root, whom
// permission bits do not stop.
constexpr uid_t kNobody = 65534;

bool RunningAsRoot() {
    return geteuid() == 0;
}

// The error a save raised, or nothing when it succeeded.
std::optional<std::string> Save(const std::string& path, const std::string& bytes) {
    try {
        WriteFileAtomically(path, bytes);
        return std::nullopt;
    } catch (const std::runtime_error& error) {
        return std::string(error.what());
    }
}

// Saves as a user without privileges: as nobody in a child process when the tests run as root, directly
// otherwise. The child hands its error text back through a pipe.
std::optional<std::string> SaveUnprivileged(const std::string& path, const std::string& bytes) {
    if (!RunningAsRoot())
        return Save(path, bytes);
    int channel[2];
    if (pipe(channel) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(2);
        const std::optional<std::string> error = Save(path, bytes);
        if (error && write(channel[1], error->data(), error->size()) < 0)
            _exit(2);
        _exit(error ? 1 : 0);
    }
    close(channel[1]);
    std::string error;
    char chunk[256];
    for (ssize_t got; child > 0 && (got = read(channel[0], chunk, sizeof chunk)) > 0;)
        error.append(chunk, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 2)
        return "the unprivileged save did not run";
    return WEXITSTATUS(status) == 0 ? std::nullopt : std::optional<std::string>(error);
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
    // Makes path belong to the user SaveUnprivileged saves as, so that only its mode bits decide.
    static void GiveToSaver(const fs::path& path) {
        if (RunningAsRoot()) {
            ASSERT_EQ(lchown(path.c_str(), kNobody, kNobody), 0) << path;
        }
    }
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
        ASSERT_EQ(chown(real.c_str(), kNobody, kNobody), 0);
        SetMode(real, 0604);

        ASSERT_EQ(Save(path, "[Geral]\nIP=2\n"), std::nullopt);

        EXPECT_EQ(Read(real), "[Geral]\nIP=2\n");
        const struct stat info = Status(real);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_uid, kNobody);
        EXPECT_EQ(info.st_gid, kNobody);
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

}  // namespace
