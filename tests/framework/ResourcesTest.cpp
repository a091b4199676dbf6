#include <gtest/gtest.h>

#include "base/Resources.h"
#include "resource.h"

namespace {

TEST(Resources, StringsTextAndBytes) {
    EXPECT_EQ("Quillmark", LoadStringResource(IDS_APP_NAME));
    EXPECT_EQ("Ready", LoadStringResource(IDS_READY));
    EXPECT_EQ("Refresh the list contents\nRefresh", LoadStringResource(ID_VIEW_REFRESH));
    EXPECT_EQ("", LoadStringResource(4711));

    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(FindResourceBytes(IDR_GIF_DKBLUE, "GIF", data, size));
    EXPECT_EQ(43u, size);
    EXPECT_FALSE(FindResourceBytes(4711, "GIF", data, size));
    EXPECT_EQ("", LoadTextResource(4711, "TEXT"));

    EXPECT_EQ("7 items, 2.5%", FormatString("%d items, %.1f%%", 7, 2.5));
    EXPECT_EQ(std::string(5000, 'y'), FormatString("%s", std::string(5000, 'y').c_str()));
}

}  // namespace
