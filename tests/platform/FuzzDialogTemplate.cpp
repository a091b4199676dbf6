// Dialog templates on mutated input: the program's own templates, damaged.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fuzz.h"
#include "base/Resources.h"
#include "platform/DialogTemplate.h"
#include "resource.h"

namespace {

std::string DialogResource(UINT id) {
    const void* data = nullptr;
    DWORD size = 0;
    return FindResourceBytes(id, RT_DIALOG, data, size) ? std::string(static_cast<const char*>(data), size)
                                                        : std::string();
}

TEST(FuzzDialogTemplate, AnyBytesGiveWholeItemsOrNone) {
    fuzz::Target target;
    target.name = "dialog-template";
    for (UINT id : {IDD_QUILLMARK_DIALOG, IDD_LOAD_PROGRESS, IDD_PERFORMANCE_PAGE, IDD_NETWORK_PAGE, IDD_ABOUTBOX,
                    IDD_SETTINGS, IDD_DESCRIBE_APP}) {
        target.seeds.push_back(DialogResource(id));
        ASSERT_FALSE(target.seeds.back().empty()) << id;
    }
    target.dictionary = {std::string("\xFF\xFF", 2), std::string("\x01\x00\xFF\xFF", 4), std::string("\0\0", 2),
                         std::string("\xFF\xFF\x82\x00", 4), std::string("\x40\x00\x00\x00", 4)};
    target.maxSize = 16384;
    fuzz::Run(target, [](const std::string& input, fuzz::Rng&) {
        std::vector<DialogTemplateItem> items(1);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(input.data());
        if (!ParseDialogTemplate(bytes, input.size(), items)) {
            EXPECT_TRUE(items.empty());
            return;
        }
        // An item takes at least 22 bytes of the old layout; its strings
        // two bytes a character of the input, at most two in the code page.
        EXPECT_LE(items.size() * 22, input.size());
        for (const DialogTemplateItem& item : items) {
            EXPECT_LE(item.className.size(), 2 * input.size());
            EXPECT_LE(item.text.size(), 2 * input.size());
        }
    });
}

}  // namespace
