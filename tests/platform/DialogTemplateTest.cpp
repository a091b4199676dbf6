// Dialog templates read from their bytes, in both layouts, and nothing read
// from a template that is cut short.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Resources.h"
#include "platform/DialogTemplate.h"
#include "resource.h"

namespace {

std::vector<BYTE> DialogResource(UINT id) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!FindResourceBytes(id, RT_DIALOG, data, size)) return {};
    const BYTE* bytes = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(bytes, bytes + size);
}

// Writes a template in the old layout, word by word.
struct Writer {
    std::vector<BYTE> bytes;
    void Word(WORD w) {
        bytes.push_back(static_cast<BYTE>(w));
        bytes.push_back(static_cast<BYTE>(w >> 8));
    }
    void Dword(DWORD d) {
        Word(static_cast<WORD>(d));
        Word(static_cast<WORD>(d >> 16));
    }
    void Text(const char* s) {
        for (; *s; ++s) Word(static_cast<BYTE>(*s));
        Word(0);
    }
    void Align() {
        while (bytes.size() % 4) bytes.push_back(0);
    }
};

std::vector<BYTE> OldLayoutTemplate() {
    Writer w;
    w.Dword(DS_SETFONT | WS_POPUP);
    w.Dword(0);
    w.Word(2);  // items
    for (int i = 0; i < 4; ++i) w.Word(10);
    w.Word(0);          // no menu
    w.Word(0);          // the default class
    w.Text("Title");
    w.Word(8);
    w.Text("MS Shell Dlg");
    // A predefined class by its atom, with a title.
    w.Align();
    w.Dword(WS_CHILD | SS_LEFT);
    w.Dword(WS_EX_CLIENTEDGE);
    w.Word(1), w.Word(2), w.Word(30), w.Word(12);
    w.Word(1001);
    w.Word(0xFFFF), w.Word(0x0082);
    w.Text("Hello");
    w.Word(0);
    // A class by name, a title that is a resource id and two bytes of
    // creation data.
    w.Align();
    w.Dword(WS_CHILD);
    w.Dword(0);
    w.Word(5), w.Word(6), w.Word(7), w.Word(8);
    w.Word(1002);
    w.Text("SysLink");
    w.Word(0xFFFF), w.Word(128);
    w.Word(2), w.Word(0xABCD);
    return w.bytes;
}

TEST(DialogTemplate, ReadsBothLayoutsAndNothingOfATemplateCutShort) {
    std::vector<DialogTemplateItem> items;
    const std::vector<BYTE> page = DialogResource(IDD_PERFORMANCE_PAGE);
    ASSERT_FALSE(page.empty());
    ASSERT_TRUE(ParseDialogTemplate(page.data(), page.size(), items));
    ASSERT_EQ(10u, items.size());
    EXPECT_EQ("Button", items[0].className);
    EXPECT_EQ("CPU Usage", items[0].text);
    EXPECT_EQ(static_cast<DWORD>(IDC_CPU_GROUP), items[0].id);
    EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), items[0].style & 0xF);
    EXPECT_EQ(2, items[0].x);
    EXPECT_EQ(60, items[0].cy);
    EXPECT_STRCASEEQ("SysListView32", items[9].className.c_str());
    EXPECT_EQ("", items[9].text);
    EXPECT_EQ(static_cast<DWORD>(IDC_PERFDATA_LIST), items[9].id);
    EXPECT_TRUE(items[9].style & LVS_REPORT);
    EXPECT_EQ(420, items[9].cx);

    const std::vector<BYTE> old = OldLayoutTemplate();
    ASSERT_TRUE(ParseDialogTemplate(old.data(), old.size(), items));
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ("Static", items[0].className);
    EXPECT_EQ("Hello", items[0].text);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | SS_LEFT), items[0].style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_CLIENTEDGE), items[0].exStyle);
    EXPECT_EQ(1001u, items[0].id);
    EXPECT_EQ(30, items[0].cx);
    EXPECT_EQ("SysLink", items[1].className);
    EXPECT_EQ("", items[1].text);  // a resource id
    EXPECT_EQ(1002u, items[1].id);
    EXPECT_EQ(8, items[1].cy);

    for (const std::vector<BYTE>* whole : {&page, &old}) {
        for (size_t cut = 0; cut < whole->size(); ++cut) {
            items.assign(1, DialogTemplateItem());
            EXPECT_FALSE(ParseDialogTemplate(whole->data(), cut, items)) << cut;
            EXPECT_TRUE(items.empty());
        }
    }
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 100, items));
}

}  // namespace
