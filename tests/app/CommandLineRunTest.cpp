// Quillmark.exe with a command line, started as a script would start it and
// looked at from outside: each list in each format with the content Export
// Data writes, the exit codes, and a running Quillmark left as it was (its
// window, its log, its settings).
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "ProcessUtil.h"
#include "RemoteControls.h"
#include "TestUtil.h"
#include "progdb/XmlWriter.h"
#include "base/Handles.h"
#include "core/AppSettings.h"
#include "core/SettingsKeys.h"

namespace {

using testutil::WaitUntil;

constexpr UINT kCmdTrayShow = 2903;
constexpr UINT kCmdExit = 2772;

// What a run left: its exit code and what it wrote to its standard output
// and error (files here, as a script's redirection gives them).
struct RunResult {
    DWORD code = 0xFFFFFFFF;
    std::string out;
    std::string err;
    bool windowSeen = false;  // the run showed a window of its own
};

// Every registry value under a key and its subkeys, as "path\name=type:bytes".
void DumpKey(HKEY root, const std::string& path, std::map<std::string, std::string>& out) {
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name, type = 0;
        BYTE data[1024];
        DWORD size = sizeof data;
        if (::RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        out[path + "\\" + name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (::RegEnumKeyExA(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DumpKey(root, path + "\\" + name, out);
    }
}

bool VisibleWindowOf(DWORD pid) {
    for (HWND w : testutil::FindTopWindows(pid, nullptr, nullptr))
        if (::IsWindowVisible(w)) return true;
    return false;
}

class CommandLineRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        testutil::PrepareQuillmarkStart();
        exe_ = dir_.File("Quillmark.exe");
        ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_QUILLMARK_EXE).c_str(), exe_.c_str(), FALSE));
    }
    void TearDown() override { testutil::ResetQuillmarkSettings(); }

    // Runs the copy with the arguments, its standard handles on files.
    RunResult Run(const std::string& args) {
        RunResult result;
        const std::string outPath = dir_.File("stdout.txt"), errPath = dir_.File("stderr.txt");
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        {
            UniqueHandle out(::CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                           0, nullptr));
            UniqueHandle err(::CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                           0, nullptr));
            EXPECT_TRUE(out && err);
            STARTUPINFOA si{};
            si.cb = sizeof(si);
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdOutput = out.get();
            si.hStdError = err.get();
            PROCESS_INFORMATION pi{};
            std::string line = "\"" + exe_ + "\" " + args;
            if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, dir_.Path().c_str(), &si,
                                  &pi)) {
                ADD_FAILURE() << "cannot start " << line;
                return result;
            }
            UniqueHandle process(pi.hProcess), thread(pi.hThread);
            // Watched while it runs: it must show no window of its own.
            const DWORD start = ::GetTickCount();
            while (::WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT) {
                if (VisibleWindowOf(pi.dwProcessId)) result.windowSeen = true;
                if (::GetTickCount() - start > 60000) {
                    ::TerminateProcess(process.get(), 99);
                    ADD_FAILURE() << "still running after 60 s: " << line;
                    break;
                }
            }
            ::GetExitCodeProcess(process.get(), &result.code);
        }
        result.out = testutil::ReadFileBytes(outPath);
        result.err = testutil::ReadFileBytes(errPath);
        return result;
    }

    testutil::ScratchDir dir_;
    std::string exe_;
    AppSettings settings_;
};

TEST_F(CommandLineRunTest, WritesEachListInEachFormatAsExportDataDoes) {
    // A program with a window, protected, described in the local database.
    ASSERT_TRUE(testutil::WriteFileBytes(dir_.File("protect.dat"), "qm_actionschild.exe;0\r\n"));
    ASSERT_TRUE(testutil::WriteFileBytes(
        dir_.File("local-db.xml"),
        "<?xml version=\"1.0\"?>\r\n<database><company><name>Test Makers</name><url></url><executable>"
        "<rating>4</rating><filename>qm_actionschild.exe</filename><description>The tests' own child</description>"
        "</executable></company></database>\r\n"));
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "window QmExportedWindow"));
    ASSERT_TRUE(WaitUntil([&] { return !testutil::FindTopWindows(child.Pid(), nullptr, "QmExportedWindow").empty(); }));
    const std::string pid = std::to_string(child.Pid());

    struct Format {
        const char* file;
        const char* args;  // extra arguments
    } formats[] = {{"list.csv", ""}, {"list.htm", ""}, {"list.xml", ""}, {"list.txt", ""}, {"list.dat", "/format xml"}};
    for (const char* list : {"applications", "tasks", "services", "drivers"}) {
        for (const Format& format : formats) {
            SCOPED_TRACE(std::string(list) + " " + format.file);
            const std::string path = dir_.File(format.file);
            const RunResult run = Run(std::string("/export ") + list + " \"" + path + "\" " + format.args);
            ASSERT_EQ(0u, run.code) << run.err;
            EXPECT_FALSE(run.windowSeen);
            EXPECT_EQ("", run.out + run.err);
            const std::string text = testutil::ReadFileBytes(path);
            ASSERT_FALSE(text.empty());
            const std::string name = format.file;
            const std::string which = list;
            if (name == "list.csv") {
                const std::vector<std::string> lines = testutil::SplitLines(text);
                ASSERT_GE(lines.size(), 2u);
                EXPECT_EQ(0u, lines[0].find("\"")) << lines[0];
                if (which == "tasks") {
                    EXPECT_EQ("\"Filename\",\"Protection\",\"User Account\",\"Process ID\",\"CPU Usage\","
                              "\"Memory Usage\",\"Threads\",\"Company\",\"Description\"",
                              lines[0]);
                    // The row of the child with its protection level and the
                    // first view update's values.
                    bool found = false;
                    for (const std::string& line : lines) {
                        if (line.find("\"qm_actionschild.exe\",\"Protected\",") != 0 ||
                            line.find(",\"" + pid + "\",") == std::string::npos)
                            continue;
                        found = true;
                        EXPECT_NE(std::string::npos, line.find(" K\",")) << line;  // memory filled
                    }
                    EXPECT_TRUE(found) << text;
                } else if (which == "applications") {
                    EXPECT_NE(std::string::npos,
                              text.find("\"QmExportedWindow\",\"Test Makers\",\"The tests' own child\""))
                        << text;
                } else if (which == "drivers") {
                    EXPECT_EQ("\"Driver\",\"State\",\"Startup\",\"Name\",\"Company\",\"Description\"", lines[0]);
                }
            } else if (name == "list.htm") {
                EXPECT_NE(std::string::npos, text.find("<title>Quillmark Exported Data</title>")) << text.substr(0, 300);
                if (which == "tasks") {
                    EXPECT_NE(std::string::npos, text.find("<td align=\"right\">" + pid + "</td>"));
                }
            } else if (name == "list.txt") {
                if (which == "tasks") {
                    EXPECT_NE(std::string::npos, text.find("qm_actionschild.exe\tProtected\t"));
                } else if (which == "services") {
                    EXPECT_EQ(0u, text.find("Service\tCPU Usage\t"));
                }
            } else {
                // XML, from the extension or from /format.
                EXPECT_EQ(0u, text.find(XmlDeclaration())) << text.substr(0, 100);
                if (which == "tasks") {
                    EXPECT_NE(std::string::npos, text.find("<Process_ID>" + pid + "</Process_ID>"));
                }
            }
        }
    }
    // The services and drivers of the system, one row each.
    const RunResult services = Run("/export services \"" + dir_.File("services.txt") + "\"");
    ASSERT_EQ(0u, services.code);
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    ASSERT_TRUE(manager);
    DWORD needed = 0, count = 0, resume = 0;
    ::EnumServicesStatusExA(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0,
                            &needed, &count, &resume, nullptr);
    std::vector<BYTE> buffer(needed + 1024);
    resume = 0;
    ASSERT_TRUE(::EnumServicesStatusExA(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                        buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count, &resume,
                                        nullptr));
    EXPECT_EQ(count + 1, testutil::SplitLines(testutil::ReadFileBytes(dir_.File("services.txt"))).size());

    // Nothing else was written beside the program: no log, no HTML folder,
    // no settings.
    EXPECT_FALSE(testutil::FileExists(dir_.File("quillmark.log")));
    EXPECT_FALSE(testutil::FileExists(dir_.File("HTML")));
    EXPECT_EQ(0u, settings::kPrevWnd.Read(settings_));
}

TEST_F(CommandLineRunTest, WrongArgumentsAndUnwritableFilesSayWhy) {
    RunResult run = Run("/?");
    EXPECT_EQ(0u, run.code);
    EXPECT_EQ(0u, run.out.find("Usage: Quillmark.exe /export LIST FILE [/format FORMAT]\r\n")) << run.out;

    for (const char* args : {"/export", "/export processes x.csv", "/export tasks x.csv /format pdf", "/export tasks x.csv extra",
                             "/export tasks"}) {
        SCOPED_TRACE(args);
        run = Run(args);
        EXPECT_EQ(1u, run.code);
        EXPECT_EQ(0u, run.err.find("Quillmark: ")) << run.err;
        EXPECT_NE(std::string::npos, run.err.find("Usage: ")) << run.err;
        EXPECT_FALSE(testutil::FileExists(dir_.File("x.csv")));
    }

    // A folder that is not there, and a file that cannot be replaced: the
    // old file is kept.
    run = Run("/export tasks \"" + dir_.File("missing\\tasks.csv") + "\"");
    EXPECT_EQ(2u, run.code);
    EXPECT_NE(std::string::npos, run.err.find("could not be written")) << run.err;
    const std::string kept = dir_.File("kept.csv");
    ASSERT_TRUE(testutil::WriteFileBytes(kept, "the old file"));
    {
        // Held open by another program that lets nobody delete it.
        UniqueHandle holder(::CreateFileA(kept.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
        ASSERT_TRUE(holder);
        run = Run("/export drivers \"" + kept + "\"");
    }
    EXPECT_EQ(2u, run.code);
    EXPECT_EQ("the old file", testutil::ReadFileBytes(kept));
}

TEST_F(CommandLineRunTest, ARunningQuillmarkIsLeftAsItWas) {
    testutil::ChildProcess app;
    ASSERT_TRUE(app.Start(exe_));
    HWND wnd = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            auto found = testutil::FindTopWindows(app.Pid(), "QuillmarkWndClass", "Quillmark");
            wnd = found.empty() ? nullptr : found[0];
            return wnd && settings::kPrevWnd.Read(settings_) == reinterpret_cast<UINT_PTR>(wnd);
        },
        30000));
    HWND tab = testutil::FindDescendant(wnd, 1000);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(tab) != FALSE; }, 30000));
    // In the notification area: a second start would bring it back.
    ::PostMessageA(wnd, WM_COMMAND, kCmdTrayShow, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(wnd); }));
    const std::string log = testutil::ReadFileBytes(dir_.File("quillmark.log"));
    ASSERT_NE(std::string::npos, log.find("Quillmark is initializing...")) << log;
    std::map<std::string, std::string> settingsBefore, settingsAfter;
    DumpKey(HKEY_CURRENT_USER, AppSettings::kDefaultRoot, settingsBefore);

    const RunResult run = Run("/export tasks \"" + dir_.File("tasks.csv") + "\"");
    EXPECT_EQ(0u, run.code) << run.err;
    EXPECT_FALSE(run.windowSeen);
    EXPECT_NE(std::string::npos, testutil::ReadFileBytes(dir_.File("tasks.csv")).find("\"Quillmark.exe\""));

    // The window stays in the notification area, the only one of its class;
    // the log goes on from where it was (not deleted, nothing of the run in
    // it); the settings are as they were.
    testutil::PumpFor(300);
    EXPECT_FALSE(::IsWindowVisible(wnd));
    EXPECT_EQ(1u, testutil::FindTopWindows(0, "QuillmarkWndClass", nullptr).size());
    const std::string logAfter = testutil::ReadFileBytes(dir_.File("quillmark.log"));
    EXPECT_EQ(0u, logAfter.find(log)) << logAfter;
    DumpKey(HKEY_CURRENT_USER, AppSettings::kDefaultRoot, settingsAfter);
    EXPECT_EQ(settingsBefore, settingsAfter);

    ::PostMessageA(wnd, WM_COMMAND, kCmdExit, 0);
    EXPECT_TRUE(app.WaitExit(20000));
}

}  // namespace
