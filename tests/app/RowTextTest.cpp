// The function views' cell and status texts, fed exact values.
#include <gtest/gtest.h>

#include "app/pages/RowText.h"

using namespace rowtext;

TEST(RowTextTest, CountsAreSingularForExactlyOne) {
    EXPECT_EQ("1 application", CountText(1, "application"));
    EXPECT_EQ("0 tasks", CountText(0, "task"));
    EXPECT_EQ("2 drivers", CountText(2, "driver"));
    EXPECT_EQ("-1 services", CountText(-1, "service"));
}

TEST(RowTextTest, CellFormats) {
    EXPECT_EQ("12.3%", CpuText(12.34));
    EXPECT_EQ("0.0%", CpuText(0));
    EXPECT_EQ("1 K", MemoryKText(2047));
    EXPECT_EQ("4194304 K", MemoryKText(4294967296ull));
    EXPECT_EQ("000301A2", HandleText(reinterpret_cast<HWND>(0x301A2)));
    EXPECT_EQ("2 MB", MegabyteText(3 * 1048576 - 1));
}

TEST(RowTextTest, TaskNamesAndFallbacks) {
    EXPECT_EQ("System Idle Process", TaskName(0, ""));
    EXPECT_EQ("System", TaskName(4, "C:\\x\\ntoskrnl.exe"));
    EXPECT_EQ("notepad.exe", TaskName(1200, "C:\\windows\\notepad.exe"));
    EXPECT_EQ("N/A", TaskCompany(""));
    EXPECT_EQ("Wine", TaskCompany("Wine"));
    // The publisher's text wins, but not while that database loads.
    EXPECT_EQ("From the publisher", TaskDescription("From the publisher", false, "Version text"));
    EXPECT_EQ("Version text", TaskDescription("From the publisher", true, "Version text"));
    EXPECT_EQ("N/A", TaskDescription("", false, ""));
    // A service's own description comes first; no "N/A" for services.
    EXPECT_EQ("Own", ServiceDescriptionText("Own", "Publisher", false, "Version"));
    EXPECT_EQ("Publisher", ServiceDescriptionText("", "Publisher", false, "Version"));
    EXPECT_EQ("Version", ServiceDescriptionText("", "Publisher", true, "Version"));
    EXPECT_EQ("", ServiceDescriptionText("", "", false, ""));
}

TEST(RowTextTest, NetworkGraphPointIsTheSumTimesOneHundredTruncated) {
    EXPECT_EQ(0, NetworkGraphPoint(0));
    EXPECT_EQ(123, NetworkGraphPoint(1.239));
    EXPECT_EQ(0, NetworkGraphPoint(-3));
    EXPECT_EQ(2147483647, NetworkGraphPoint(1e300));
}
