#include <gtest/gtest.h>

#include <vector>

#include "base/Handles.h"
#include "framework/Window.h"
#include "TestUtil.h"

namespace {

const char kClass[] = "QmTestWindow";

class RecordingWnd : public CWnd {
public:
    std::vector<std::string> events;
    int lastCx = -1, lastCy = -1;
    bool* finalFlag = nullptr;

protected:
    int OnCreate(CREATESTRUCTA*) override {
        events.push_back("create");
        return 0;
    }
    void OnSize(UINT, int cx, int cy) override {
        lastCx = cx;
        lastCy = cy;
    }
    bool OnCommand(UINT id, UINT, HWND) override {
        events.push_back("command " + std::to_string(id));
        return true;
    }
    void OnTimer(UINT_PTR id) override {
        events.push_back("timer " + std::to_string(id));
        KillTimer(id);
    }
    void OnDestroy() override { events.push_back("destroy"); }
    void OnFinalMessage() override {
        if (finalFlag) *finalFlag = true;
    }
};

// A button whose clicks are handled by its own object, not by its parent.
class SelfHandlingButton : public CWnd {
public:
    int clicks = 0;

protected:
    bool OnReflectedCommand(UINT code) override {
        if (code != BN_CLICKED) return false;
        ++clicks;
        return true;
    }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CWnd::RegisterClass(kClass)); }
    RECT rc_{0, 0, 200, 100};
};

TEST_F(WindowTest, MessagesReachTypedHandlersUntilTheWindowIsGone) {
    bool finalSeen = false;
    RecordingWnd w;
    w.finalFlag = &finalSeen;
    HWND h = w.Create(0, kClass, "test", WS_OVERLAPPEDWINDOW, rc_, nullptr, 0);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(&w, CWnd::FromHandle(h));
    ASSERT_FALSE(w.events.empty());
    EXPECT_EQ("create", w.events.front());

    ::MoveWindow(h, 0, 0, 300, 200, FALSE);
    RECT client = w.GetClientRect();
    EXPECT_EQ(client.right, w.lastCx);
    EXPECT_EQ(client.bottom, w.lastCy);

    w.PostMessage(WM_COMMAND, 2772, 0);
    w.SetTimer(7, 10);
    ASSERT_TRUE(testutil::WaitUntil([&] { return w.events.size() >= 3; }));
    EXPECT_EQ("command 2772", w.events[1]);
    EXPECT_EQ("timer 7", w.events[2]);

    w.DestroyWindow();
    EXPECT_TRUE(finalSeen);
    EXPECT_EQ(nullptr, w.GetHwnd());
    EXPECT_EQ(nullptr, CWnd::FromHandle(h));
    EXPECT_EQ("destroy", w.events.back());
}

TEST_F(WindowTest, AnObjectDestroysTheWindowItCreatedButNotOneItSubclassed) {
    HWND created = nullptr;
    {
        RecordingWnd w;
        created = w.Create(0, kClass, "owned", WS_OVERLAPPEDWINDOW, rc_, nullptr, 0);
        ASSERT_TRUE(::IsWindow(created));
    }
    EXPECT_FALSE(::IsWindow(created));

    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    WNDPROC original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(edit, GWLP_WNDPROC));
    {
        RecordingWnd sub;
        ASSERT_TRUE(sub.Subclass(edit));
        EXPECT_FALSE(RecordingWnd().Subclass(edit)) << "one object per window";
        ::SendMessageA(edit, WM_COMMAND, 5, 0);
        EXPECT_EQ("command 5", sub.events.back());
    }
    EXPECT_TRUE(::IsWindow(edit));
    EXPECT_EQ(original, reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(edit, GWLP_WNDPROC)));
    EXPECT_EQ(nullptr, CWnd::FromHandle(edit));
    ::DestroyWindow(edit);
}

TEST_F(WindowTest, ChildCommandsAreOfferedToTheChildsObjectFirst) {
    RecordingWnd parent;
    ASSERT_TRUE(parent.Create(0, kClass, "parent", WS_OVERLAPPEDWINDOW, rc_, nullptr, 0));
    HWND button = ::CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20,
                                    parent.GetHwnd(), reinterpret_cast<HMENU>(42), nullptr, nullptr);
    HWND other = ::CreateWindowExA(0, "BUTTON", "c", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 60, 0, 50, 20,
                                   parent.GetHwnd(), reinterpret_cast<HMENU>(43), nullptr, nullptr);
    SelfHandlingButton self;
    ASSERT_TRUE(self.Subclass(button));
    size_t before = parent.events.size();

    ::SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(1, self.clicks);
    EXPECT_EQ(before, parent.events.size()) << "the parent saw a command its child consumed";

    ::SendMessageA(other, BM_CLICK, 0, 0);  // no object: the parent handles it
    EXPECT_EQ("command 43", parent.events.back());
}

TEST(Handles, OwnersReleaseExactlyOnce) {
    HANDLE raw = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD flags = 0;
    {
        UniqueHandle a(raw);
        UniqueHandle b(std::move(a));
        EXPECT_FALSE(a.valid());
        EXPECT_TRUE(b.valid());
        EXPECT_TRUE(::GetHandleInformation(raw, &flags));
    }
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));

    // Both conventions for "no handle" are treated as empty.
    UniqueHandle invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(invalid.valid());

    // A selected object is put back when the guard goes.
    MemoryDC dc(::CreateCompatibleDC(nullptr));
    HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_PEN);
    PenHandle pen(::CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    {
        SelectGuard guard(dc.get(), pen.get());
        EXPECT_EQ(pen.get(), ::GetCurrentObject(dc.get(), OBJ_PEN));
    }
    EXPECT_EQ(original, ::GetCurrentObject(dc.get(), OBJ_PEN));
}

}  // namespace
