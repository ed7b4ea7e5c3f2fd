// The settings file's atomic save on Windows: the calls in their order, a failure at each of them, the
// attributes of the file replaced, and folder names beyond ASCII.
#include "app/settings/atomic_file.h"
#include "app/settings/file_calls_win32.h"
#include "app/settings/profile_file.h"
#include "language/utf16_win32.h"
#include "settings_folder_fixture.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using korva::app::FileCalls;
using korva::app::ProfileFile;
using korva::language::Wide;
using korva::app::WriteFileAtomically;
using AtomicFileTest = korva::app::testing::SettingsFolderTest;
namespace fs = std::filesystem;

constexpr const char* kOldText = "[Geral]\r\nIP=the old value, longer than the new one\r\n";
constexpr const char* kNewText = "[Geral]\r\nIP=new\r\n";

// Records each call by what it touches ("target", "temporary") and makes the ones named fail.
class RecordingCalls : public FileCalls {
public:
    RecordingCalls(std::wstring target, std::vector<std::string> failing = {})
        : target_(std::move(target)), failing_(std::move(failing)) {}

    HANDLE Create(const wchar_t* path, DWORD disposition) override {
        const std::string name = NameOf(path);
        if (Fails("create " + name))
            return INVALID_HANDLE_VALUE;
        const HANDLE file = FileCalls::Create(path, disposition);
        names_[file] = name;
        return file;
    }
    BOOL Write(HANDLE file, const void* bytes, DWORD count, DWORD* written) override {
        return !Fails("write " + names_[file]) && FileCalls::Write(file, bytes, count, written);
    }
    BOOL Flush(HANDLE file) override { return !Fails("flush " + names_[file]) && FileCalls::Flush(file); }
    // Always made, so that no test leaks a handle.
    BOOL Close(HANDLE file) override {
        const bool fails = Fails("close " + names_[file]);
        return FileCalls::Close(file) && !fails;
    }
    BOOL SetAttributes(const wchar_t* path, DWORD attributes) override {
        return !Fails("attributes " + NameOf(path)) && FileCalls::SetAttributes(path, attributes);
    }
    BOOL Replace(const wchar_t* replaced, const wchar_t* replacement) override {
        return !Fails("replace " + NameOf(replaced) + " " + NameOf(replacement)) &&
               FileCalls::Replace(replaced, replacement);
    }
    BOOL Move(const wchar_t* from, const wchar_t* to) override {
        return !Fails("move " + NameOf(from) + " " + NameOf(to)) && FileCalls::Move(from, to);
    }
    BOOL Delete(const wchar_t* path) override {
        calls.push_back("delete " + NameOf(path));
        return FileCalls::Delete(path);
    }

    std::vector<std::string> calls;

private:
    std::string NameOf(const std::wstring& path) const {
        if (path == target_)
            return "target";
        return path.rfind(target_ + L".tmp", 0) == 0 ? "temporary" : "elsewhere";
    }
    bool Fails(std::string call) {
        calls.push_back(std::move(call));
        for (const std::string& failing : failing_) {
            if (failing == calls.back()) {
                SetLastError(ERROR_WRITE_FAULT);
                return true;
            }
        }
        return false;
    }

    const std::wstring target_;
    const std::vector<std::string> failing_;
    std::map<HANDLE, std::string> names_;
};

std::optional<std::string> Contents(const std::string& path) {
    if (!fs::exists(path))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(AtomicFileTest, EveryByteIsFlushedBeforeTheTemporaryTakesTheFilesPlace) {
    const std::vector<std::string> replacing = {
        "create target",   "close target",          "create temporary",         "write temporary",
        "flush temporary", "close temporary", "attributes temporary", "replace target temporary",
    };
    const std::vector<std::string> creating = {
        "create target",   "create temporary", "write temporary",
        "flush temporary", "close temporary",  "move temporary target",
    };
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "replacing a file" : "creating the file");
        fs::remove(path_);
        if (existing)
            Write(kOldText);
        RecordingCalls calls(fs::absolute(path_).wstring());

        WriteFileAtomically(path_, kNewText, calls);

        EXPECT_EQ(calls.calls, existing ? replacing : creating);
        EXPECT_EQ(Contents(path_), kNewText);
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"KorvaCfg.ini"});
    }
}

TEST_F(AtomicFileTest, FailedCallIsReportedAndLeavesTheOldFileAndNoTemporary) {
    const struct {
        const char* failing;
        bool existing;
    } cases[] = {
        {"create temporary", true},          {"write temporary", true},  {"flush temporary", true},
        {"flush temporary", false},          {"close temporary", true},  {"attributes temporary", true},
        {"replace target temporary", true},
        {"move temporary target", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.failing) + (c.existing ? ", replacing" : ", creating"));
        fs::remove(path_);
        if (c.existing)
            Write(kOldText);
        RecordingCalls calls(fs::absolute(path_).wstring(), {c.failing});
        try {
            WriteFileAtomically(path_, kNewText, calls);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + path_);
        }
        EXPECT_EQ(Contents(path_), c.existing ? std::optional<std::string>(kOldText) : std::nullopt);
        const std::vector<std::string> left = c.existing ? std::vector<std::string>{"KorvaCfg.ini"}
                                                         : std::vector<std::string>{};
        EXPECT_EQ(FolderEntries(), left);
    }
}

TEST_F(AtomicFileTest, ReplacedFileKeepsItsAttributesAndAReadOnlyFileIsRefused) {
    Write(kOldText);
    const std::wstring wide = fs::absolute(path_).wstring();
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    WriteFileAtomically(path_, kNewText);
    EXPECT_EQ(Contents(path_), kNewText);
    EXPECT_NE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << "the hidden bit is lost";

    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_THROW(WriteFileAtomically(path_, kOldText), std::runtime_error);
    EXPECT_EQ(Contents(path_), kNewText);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"KorvaCfg.ini"});
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(AtomicFileTest, FolderNamesBeyondAsciiWork) {
    // "Técnico" in UTF-8, the program's own encoding of paths.
    const std::string folder = folder_.string() + "\\T\xC3\xA9" "cnico\\Korva";
    ASSERT_TRUE(fs::create_directories(fs::path(Wide(folder))));
    const std::string path = folder + "\\KorvaCfg.ini";
    ProfileFile file;
    file.SetValue("Geral", "IP", "127.0.0.1");
    file.SaveAtomically(path);
    file.SetValue("Geral", "IP", "127.0.0.2");
    file.SaveAtomically(path);

    EXPECT_TRUE(fs::is_regular_file(folder_ / L"T\u00E9cnico" / L"Korva" / L"KorvaCfg.ini"));
    EXPECT_EQ(ProfileFile::Load(path).Value("Geral", "IP"), "127.0.0.2");
}

TEST_F(AtomicFileTest, SaveRemovesWhatAnEndedWriterLeftAndNothingElse) {
    // A process number that is certainly gone: a child that has ended and been waited for.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &child));
    ASSERT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);  // the last handle: the number is free now
    const std::string gone = std::to_string(child.dwProcessId);

    const std::vector<std::string> kept = {
        "KorvaCfg.ini.tmp" + gone + "-x",     // not a name a writer makes
        "Other.ini.tmp" + gone + "-0",        // another file's
        "KorvaCfg.ini.tmp" + gone,            // no counter
    };
    for (const std::string& name : kept)
        Write((folder_ / name).string(), "keep");
    Write((folder_ / ("KorvaCfg.ini.tmp" + gone + "-3")).string(), "[Geral]\r\nIP=half");

    WriteFileAtomically(path_, kNewText);

    std::vector<std::string> expected = kept;
    expected.push_back("KorvaCfg.ini");
    std::vector<std::string> entries = FolderEntries();
    std::sort(entries.begin(), entries.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries, expected);
}

}  // namespace
