#include "actions/CloseKill.h"
#include "actions/ProgramCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ProcessUtil.h"
#include "RecordingWindow.h"
#include "TestUtil.h"
#include "platform/Processes.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/ProcessHelpers.h"

namespace {

using testutil::ChildProcess;
using testutil::WaitUntil;

std::string ChildExe() {
    return testutil::HostPath(QM_ACTIONSCHILD_EXE);
}
constexpr const char* kChildName = "qm_actionschild.exe";

// Starts the helper. Under Wine the very first process start of a run has
// been seen to fail once; a second attempt tells that apart from a real fault.
bool StartChild(ChildProcess& child, const std::string& args) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (child.Start(ChildExe(), args)) return true;
        std::printf("starting %s failed with error %lu\n", ChildExe().c_str(), ::GetLastError());
        ::Sleep(200);
    }
    return false;
}

// Starts the helper and waits for its windows with the given title.
std::vector<HWND> StartWithWindows(ChildProcess& child, const std::string& args, const char* title,
                                   size_t count = 1) {
    if (!StartChild(child, args)) return {};
    std::vector<HWND> found;
    WaitUntil([&] {
        found = testutil::FindTopWindows(child.Pid(), "QmActionsChild", title);
        return found.size() >= count;
    });
    return found;
}

using testutil::RecordingWindow;

int64_t CreateTimeOf(const ChildProcess& child) {
    int64_t t = 0;
    EXPECT_TRUE(ReadProcessCreateTime(child.Handle(), t));
    return t;
}

auto AllowAll() {
    return [](const std::string&) { return true; };
}

TEST(KillProcess, KillsOnlyTheSameAllowedProcessAndFailsOnceItHasEnded) {
    ChildProcess child;
    ASSERT_TRUE(StartChild(child, "wait"));
    const int64_t created = CreateTimeOf(child);
    int64_t read = 0;
    ASSERT_TRUE(ProcessCreateTime(child.Pid(), read));
    EXPECT_EQ(created, read);

    // A record whose pid now belongs to another process (it looks reused:
    // same pid, other creation time) never hits the process that has it now.
    EXPECT_FALSE(KillProcessIfSame(child.Pid(), created + 1, AllowAll()));
    EXPECT_FALSE(KillProcessIfSame(child.Pid(), 0, AllowAll()));
    EXPECT_TRUE(child.Running());
    // The protection list is asked with the real image name.
    std::vector<std::string> asked;
    EXPECT_FALSE(KillProcessIfSame(child.Pid(), created, [&](const std::string& name) {
        asked.push_back(name);
        return false;
    }));
    EXPECT_EQ(std::vector<std::string>{kChildName}, asked);
    EXPECT_TRUE(child.Running());

    EXPECT_TRUE(KillProcessIfSame(child.Pid(), created, AllowAll()));
    DWORD code = 0;
    ASSERT_TRUE(child.WaitExit(10000, &code));
    EXPECT_EQ(0xFFFFFFFFu, code);
    // The test still holds the process object, so the id cannot be reused by
    // another process; the process itself has ended.
    EXPECT_FALSE(KillProcessIfSame(child.Pid(), created, AllowAll()));
}

TEST(CloseAppWindow, ClosesAWindowThatHandlesWmClose) {
    ChildProcess child;
    std::vector<HWND> windows = StartWithWindows(child, "window CloseMe", "CloseMe");
    ASSERT_EQ(1u, windows.size());
    EXPECT_TRUE(CloseAppWindow(windows[0]));
    EXPECT_TRUE(child.WaitExit(10000));
    EXPECT_FALSE(::IsWindow(windows[0]));
}

TEST(CloseAppWindow, AHungWindowDoesNotBlockTheCaller) {
    ChildProcess child;
    std::vector<HWND> windows = StartWithWindows(child, "hung HungWindow", "HungWindow");
    ASSERT_EQ(1u, windows.size());
    // Returns (the test would hang otherwise) and reports that the window did
    // not process the request.
    EXPECT_FALSE(CloseAppWindow(windows[0]));
    EXPECT_TRUE(child.Running());
    EXPECT_TRUE(::IsWindow(windows[0]));
}

TEST(CloseAppWindow, ShellFramesAreAskedToCloseBeforeAnyTearDown) {
    EXPECT_TRUE(IsShellFrameClass("cabinetwclass"));
    EXPECT_TRUE(IsShellFrameClass("IEFrame"));
    EXPECT_TRUE(IsShellFrameClass("ExploreWClass"));
    EXPECT_FALSE(IsShellFrameClass("CabinetWClass2"));

    // A frame that closes on request gets nothing but the request: the
    // destroy messages it sees come from its own destruction.
    RecordingWindow frame("CabinetWClass");
    ASSERT_TRUE(frame.Handle());
    EXPECT_TRUE(CloseAppWindow(frame.Handle()));
    EXPECT_FALSE(::IsWindow(frame.Handle()));
    const int close = frame.IndexOf(WM_CLOSE);
    ASSERT_NE(-1, close);
    EXPECT_LT(close, frame.IndexOf(WM_DESTROY));
    EXPECT_EQ(1, std::count(frame.messages.begin(), frame.messages.end(), WM_CLOSE));

    // One that is still there after the bound is torn down, then asked again.
    RecordingWindow stubborn("IEFrame", false);
    ASSERT_TRUE(stubborn.Handle());
    EXPECT_TRUE(CloseAppWindow(stubborn.Handle()));
    std::vector<UINT> sequence;
    for (UINT msg : stubborn.messages)
        if (msg == WM_CLOSE || msg == WM_DESTROY || msg == WM_NCDESTROY) sequence.push_back(msg);
    EXPECT_EQ((std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY, WM_CLOSE}), sequence);

    // A job asked to stop tears nothing down.
    RecordingWindow stopped("ExploreWClass", false);
    ASSERT_TRUE(stopped.Handle());
    UniqueHandle stop(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    EXPECT_FALSE(CloseAppWindow(stopped.Handle(), stop.get()));
    EXPECT_EQ(-1, stopped.IndexOf(WM_DESTROY));
    EXPECT_NE(-1, stopped.IndexOf(WM_CLOSE));

    // Other windows only ever get the request.
    RecordingWindow plain("QmActionsPlainWindow", false);
    ASSERT_TRUE(plain.Handle());
    CloseAppWindow(plain.Handle());
    EXPECT_NE(-1, plain.IndexOf(WM_CLOSE));
    EXPECT_EQ(-1, plain.IndexOf(WM_DESTROY));
}

TEST(CloseKillJob, ClosesKillsAndPostsBothMessages) {
    ChildProcess windowChild, waitingChild;
    std::vector<HWND> windows = StartWithWindows(windowChild, "window JobWindow", "JobWindow");
    ASSERT_EQ(1u, windows.size());
    ASSERT_TRUE(StartChild(waitingChild, "wait"));

    RecordingWindow notify("QmActionsNotify");
    CloseKillJob job(AllowAll());
    CloseTarget window;
    ASSERT_TRUE(WindowTarget(windows[0], window));
    EXPECT_EQ(windowChild.Pid(), window.pid);
    EXPECT_EQ(CreateTimeOf(windowChild), window.createTime);
    EXPECT_TRUE(job.AddWindow(window));
    EXPECT_TRUE(job.AddProcess(KillTarget{waitingChild.Pid(), CreateTimeOf(waitingChild)}));
    ASSERT_TRUE(job.Start(notify.Handle()));
    EXPECT_TRUE(WaitUntil([&] { return notify.IndexOf(WM_KILL_JOB_DONE) != -1; }));
    EXPECT_LT(notify.IndexOf(WM_CLOSE_JOB_DONE), notify.IndexOf(WM_KILL_JOB_DONE));
    EXPECT_NE(-1, notify.IndexOf(WM_CLOSE_JOB_DONE));
    EXPECT_TRUE(windowChild.WaitExit(10000));
    EXPECT_TRUE(waitingChild.WaitExit(10000));
    EXPECT_TRUE(WaitUntil([&] { return !job.IsRunning(); }));
}

TEST(CloseKillJob, RecordsThatLookReusedHitNothing) {
    ChildProcess windowChild, waitingChild;
    std::vector<HWND> windows = StartWithWindows(windowChild, "window Reused", "Reused");
    ASSERT_EQ(1u, windows.size());
    ASSERT_TRUE(StartChild(waitingChild, "wait"));

    // Queued for processes that had these ids before: same ids, other
    // creation times. And a window queued for another process.
    RecordingWindow notify("QmActionsNotifyReused");
    CloseKillJob job(AllowAll());
    ASSERT_TRUE(job.AddWindow(CloseTarget{windows[0], windowChild.Pid(), CreateTimeOf(windowChild) - 10}));
    ASSERT_TRUE(job.AddWindow(CloseTarget{windows[0], waitingChild.Pid(), CreateTimeOf(waitingChild)}));
    ASSERT_TRUE(job.AddProcess(KillTarget{waitingChild.Pid(), CreateTimeOf(waitingChild) + 10}));
    ASSERT_TRUE(job.Start(notify.Handle()));
    ASSERT_TRUE(WaitUntil([&] { return notify.IndexOf(WM_KILL_JOB_DONE) != -1; }));
    EXPECT_TRUE(windowChild.Running());
    EXPECT_TRUE(::IsWindow(windows[0]));
    EXPECT_TRUE(waitingChild.Running());
}

TEST(CloseKillJob, RefusesChangesAndRestartWhileItRuns) {
    UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::vector<HWND> closed;
    std::vector<DWORD> killed;
    CloseKillJob job(
        [&](const CloseTarget& t) {
            ::WaitForSingleObject(release.get(), 30000);
            closed.push_back(t.window);
            return true;
        },
        [&](const KillTarget& t) {
            killed.push_back(t.pid);
            return true;
        });
    HWND fake1 = reinterpret_cast<HWND>(0x1234), fake2 = reinterpret_cast<HWND>(0x5678);
    job.AddWindow(CloseTarget{fake1, 1, 1});
    job.AddProcess(KillTarget{42, 1});
    RecordingWindow notify("QmActionsNotify2");
    ASSERT_TRUE(job.Start(notify.Handle()));

    EXPECT_TRUE(job.IsRunning());
    EXPECT_FALSE(job.Start(notify.Handle()));
    EXPECT_FALSE(job.AddWindow(CloseTarget{fake2, 1, 1}));
    EXPECT_FALSE(job.AddProcess(KillTarget{43, 1}));
    EXPECT_FALSE(job.Clear());
    EXPECT_EQ(1u, job.Windows().size());
    EXPECT_EQ(1u, job.Processes().size());

    ::SetEvent(release.get());
    EXPECT_TRUE(WaitUntil([&] { return notify.IndexOf(WM_KILL_JOB_DONE) != -1; }));
    // Cleared before the message went out: its handler may start the next
    // command at once.
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(std::vector<HWND>{fake1}, closed);
    EXPECT_EQ(std::vector<DWORD>{42}, killed);

    // Idle again: a job with processes only posts only the kill message.
    notify.messages.clear();
    EXPECT_TRUE(job.Clear());
    EXPECT_TRUE(job.AddProcess(KillTarget{44, 1}));
    ASSERT_TRUE(job.Start(notify.Handle()));
    EXPECT_TRUE(WaitUntil([&] { return notify.IndexOf(WM_KILL_JOB_DONE) != -1; }));
    EXPECT_EQ(-1, notify.IndexOf(WM_CLOSE_JOB_DONE));
    EXPECT_TRUE(WaitUntil([&] { return !job.IsRunning(); }));
    EXPECT_EQ((std::vector<DWORD>{42, 44}), killed);
}

// A protection list in a scratch folder (the built-in names come with it).
struct ScratchProtection {
    testutil::ScratchDir dir;
    ProtectionList list{dir.File("protect.dat")};
    ScratchProtection() { list.Load(); }
};

TEST(UnidentifiedPrograms, AreNeverTakenForUnprotected) {
    ScratchProtection s;
    s.list.Set("editor.exe", 0, 0, 0);
    // No path read: no name, which has no entry and would read as
    // unprotected.
    EXPECT_FALSE(CanKillProgram(s.list, ""));
    EXPECT_FALSE(CanCloseProgram(s.list, ""));
    EXPECT_FALSE(CanKillProgram(s.list, "C:\\apps\\"));
    EXPECT_TRUE(CanKillProgram(s.list, "C:\\apps\\other.exe"));
    EXPECT_FALSE(CanKillProgram(s.list, "C:\\apps\\EDITOR.EXE"));

    // The kill itself: the rule is never asked without a name, and only the
    // user's answer for this process lets such a kill go ahead.
    int asked = 0;
    const KillAllowedFn rule = [&](const std::string& name) {
        ++asked;
        return name != "editor.exe";
    };
    EXPECT_FALSE(KillPermitted(false, "", rule, UnidentifiedKill::Refuse));
    EXPECT_TRUE(KillPermitted(false, "", rule, UnidentifiedKill::Allow));
    EXPECT_EQ(0, asked);
    // Named after all: the rule decides, whatever the user said.
    EXPECT_FALSE(KillPermitted(true, "editor.exe", rule, UnidentifiedKill::Allow));
    EXPECT_TRUE(KillPermitted(true, "other.exe", rule, UnidentifiedKill::Refuse));
    EXPECT_TRUE(KillPermitted(false, "", nullptr, UnidentifiedKill::Refuse));  // no rule at all

    // What Kill program asks.
    const KillQuestion unnamed = KillProgramQuestion(s.list, 1234, true, "");
    EXPECT_EQ(KillQuestion::Unidentified, unnamed.kind);
    EXPECT_EQ("The program of process ID 1234 cannot be identified, so its protection cannot be checked.\n\n"
              "Do you want to kill this process anyway?",
              unnamed.text);
    const KillQuestion named = KillProgramQuestion(s.list, 1234, true, "C:\\apps\\other.exe");
    EXPECT_EQ(KillQuestion::Kill, named.kind);
    EXPECT_EQ(KillProcessPrompt(1234, "C:\\apps\\other.exe"), named.text);
    EXPECT_EQ(KillQuestion::None, KillProgramQuestion(s.list, 1234, true, "C:\\apps\\editor.exe").kind);
    EXPECT_EQ(KillQuestion::None, KillProgramQuestion(s.list, 1234, false, "").kind);
    EXPECT_EQ(KillQuestion::None, KillProgramQuestion(s.list, 4, true, "System").kind);
}

TEST(ProgramCommands, SystemProtectedProgramsAreNeverQueuedOrKilled) {
    ScratchProtection p;
    p.list.Set(kChildName, 1, 1, 1);
    ChildProcess child;
    std::vector<HWND> windows = StartWithWindows(child, "window Guarded 2", "Guarded", 2);
    ASSERT_EQ(2u, windows.size());
    auto yes = [](const std::string&) { return true; };

    CloseKillJob job;
    EXPECT_TRUE(KillAllTasks(job, p.list, {{child.Pid(), "QM_ACTIONSCHILD.EXE"}}, yes, nullptr));
    EXPECT_TRUE(job.Processes().empty());
    EXPECT_TRUE(WaitUntil([&] { return !job.IsRunning(); }));
    EXPECT_EQ(0, KillAllApplications(p.list, windows, yes));
    EXPECT_TRUE(CloseAllApplications(job, p.list, windows, yes, nullptr));
    EXPECT_TRUE(job.Windows().empty());
    EXPECT_TRUE(WaitUntil([&] { return !job.IsRunning(); }));

    // The single commands refuse before asking.
    bool asked = false;
    auto ask = [&](const std::string&) { return asked = true; };
    EXPECT_FALSE(KillProgram(p.list, child.Pid(), CreateTimeOf(child), WindowProgramPath(windows[0]), ask));
    EXPECT_FALSE(CloseApplication(job, p.list, windows[0], ask, nullptr));
    EXPECT_FALSE(asked);
    EXPECT_TRUE(child.Running());
}

TEST(ProgramCommands, TheJobsKillRuleIsACopyOfTheListAtTheCommand) {
    ScratchProtection p;
    const KillAllowedFn allowed = KillAllowedBy(p.list);
    // The user protects the program while a batch runs: the worker never
    // reads the window's list, which only the window's thread changes.
    p.list.Set("editor.exe", 0, 0, 0);
    EXPECT_TRUE(allowed("editor.exe"));
    EXPECT_FALSE(KillAllowedBy(p.list)("EDITOR.EXE"));
}

TEST(ProgramCommands, KillAllApplicationsCountsEachProcessOnce) {
    ScratchProtection p;
    ChildProcess child;
    std::vector<HWND> windows = StartWithWindows(child, "window Twice 2", "Twice", 2);
    ASSERT_EQ(2u, windows.size());
    EXPECT_EQ(kChildName, FileNameOf(WindowProgramPath(windows[0])));

    // No at the prompt does nothing.
    EXPECT_EQ(-1, KillAllApplications(p.list, windows, [](const std::string&) { return false; }));
    EXPECT_TRUE(child.Running());

    std::vector<std::string> prompts;
    int killed = KillAllApplications(p.list, windows, [&](const std::string& text) {
        prompts.push_back(text);
        return true;
    });
    EXPECT_EQ(1, killed);
    EXPECT_EQ(std::vector<std::string>{kKillAllApplicationsPrompt}, prompts);
    EXPECT_TRUE(child.WaitExit(10000));
    EXPECT_EQ("1 applications were killed", ApplicationsKilledText(killed));
}

TEST(ProgramCommands, KillAllTasksQueuesOnlyWhatMayBeKilled) {
    ScratchProtection p;
    ChildProcess child;
    ASSERT_TRUE(StartChild(child, "wait"));
    RecordingWindow notify("QmActionsNotify3");
    CloseKillJob job;
    // The pid of a process that does not exist cannot be queried.
    std::vector<TaskRow> rows = {{child.Pid(), kChildName, CreateTimeOf(child)},
                                 {0xFFFFFFF0u, "gone.exe", 0},
                                 {child.Pid(), "lsass.exe", CreateTimeOf(child)}};
    ASSERT_TRUE(KillAllTasks(job, p.list, rows, [](const std::string&) { return true; }, notify.Handle()));
    ASSERT_EQ(1u, job.Processes().size());
    EXPECT_EQ(child.Pid(), job.Processes()[0].pid);
    EXPECT_TRUE(WaitUntil([&] { return notify.IndexOf(WM_KILL_JOB_DONE) != -1; }));
    EXPECT_TRUE(child.WaitExit(10000));
}

TEST(ProgramCommands, EachCommandAsksItsOwnQuestionAndNoDoesNothing) {
    ScratchProtection p;
    RecordingWindow own("QmActionsPromptWindow");
    ASSERT_TRUE(own.Handle());
    std::vector<std::string> asked;
    auto no = [&](const std::string& text) {
        asked.push_back(text);
        return false;
    };
    CloseKillJob job;
    EXPECT_FALSE(CloseApplication(job, p.list, own.Handle(), no, nullptr));
    EXPECT_FALSE(CloseAllApplications(job, p.list, {own.Handle()}, no, nullptr));
    EXPECT_EQ(-1, KillAllApplications(p.list, {own.Handle()}, no));
    EXPECT_FALSE(KillAllTasks(job, p.list, {{::GetCurrentProcessId(), "x.exe"}}, no, nullptr));
    EXPECT_EQ((std::vector<std::string>{"Close this application?",
                                        "Do you want to close all unprotected applications?",
                                        "Do you want to kill all unprotected applications?",
                                        "Do you want to kill all unprotected tasks?"}),
              asked);
    EXPECT_TRUE(job.Windows().empty() && job.Processes().empty());
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(-1, own.IndexOf(WM_CLOSE));
    // An empty list asks nothing.
    asked.clear();
    EXPECT_FALSE(CloseAllApplications(job, p.list, {}, no, nullptr));
    EXPECT_FALSE(KillAllTasks(job, p.list, {}, no, nullptr));
    EXPECT_TRUE(asked.empty());
}

TEST(ProgramCommands, SingleKillAsksWithTheProcessAndProgram) {
    ScratchProtection p;
    ChildProcess child;
    ASSERT_TRUE(StartChild(child, "wait"));
    std::string path = ChildExe();
    std::string asked;
    auto no = [&](const std::string& text) {
        asked = text;
        return false;
    };
    EXPECT_FALSE(KillProgram(p.list, child.Pid(), CreateTimeOf(child), path, no));
    EXPECT_EQ("Process ID: " + std::to_string(child.Pid()) + "\nProgram: " + path +
                  "\n\nDo you want to kill this running process?",
              asked);
    EXPECT_TRUE(child.Running());
    EXPECT_FALSE(KillProgram(p.list, child.Pid(), CreateTimeOf(child) + 1, path, [](const std::string&) { return true; }));
    EXPECT_TRUE(child.Running());
    EXPECT_TRUE(KillProgram(p.list, child.Pid(), CreateTimeOf(child), path, [](const std::string&) { return true; }));
    EXPECT_TRUE(child.WaitExit(10000));
}

TEST(ProgramCommands, KillProgramAsksAboutTheProgramTheRowsProcessRuns) {
    ScratchProtection p;
    ChildProcess child;
    ASSERT_TRUE(StartChild(child, "wait"));
    const int64_t created = CreateTimeOf(child);
    std::vector<std::string> asked, askedUnidentified;
    auto yes = [&](const std::string& text) {
        asked.push_back(text);
        return true;
    };
    auto yesUnidentified = [&](const std::string& text) {
        askedUnidentified.push_back(text);
        return true;
    };

    // A row whose id now belongs to another process asks nothing.
    EXPECT_FALSE(KillProgram(p.list, child.Pid(), created + 1, yes, yesUnidentified));
    // A protected program asks nothing either.
    p.list.Set(kChildName, 1, 0, 0);
    EXPECT_FALSE(KillProgram(p.list, child.Pid(), created, yes, yesUnidentified));
    EXPECT_TRUE(asked.empty() && askedUnidentified.empty());
    EXPECT_TRUE(child.Running());

    p.list.Set(kChildName, 1, 1, 0);
    std::string path;
    ASSERT_TRUE(GetProcessImagePathIfSame(child.Pid(), created, path));
    EXPECT_TRUE(KillProgram(p.list, child.Pid(), created, yes, yesUnidentified));
    EXPECT_EQ(std::vector<std::string>{KillProcessPrompt(child.Pid(), path)}, asked);
    EXPECT_TRUE(askedUnidentified.empty());
    EXPECT_TRUE(child.WaitExit(10000));
    // Ended: nothing to ask about.
    EXPECT_FALSE(KillProgram(p.list, child.Pid(), created, yes, yesUnidentified));
    EXPECT_EQ(1u, asked.size());
}

}  // namespace
