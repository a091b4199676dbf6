// The toolbar resource parser on mutated resources, each ending where a page
// that cannot be read begins.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Fuzz.h"
#include "base/Resources.h"
#include "resource.h"
#include "ui/TabToolBar.h"

namespace {

std::string Word(unsigned value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

unsigned WordAt(const std::string& bytes, size_t index) {
    return static_cast<unsigned char>(bytes[2 * index]) | static_cast<unsigned char>(bytes[2 * index + 1]) << 8;
}

TEST(FuzzToolbarResource, ParsesOnlyWhatTheResourceHolds) {
    fuzz::Target target;
    target.name = "toolbar-resource";
    for (UINT id : {IDR_APPLICATIONS_TOOLBAR, IDR_TASKS_TOOLBAR, IDR_SERVICES_TOOLBAR, IDR_DRIVERS_TOOLBAR}) {
        const void* data = nullptr;
        DWORD size = 0;
        ASSERT_TRUE(FindResourceBytes(id, MAKEINTRESOURCEA(QM_RT_TOOLBAR), data, size)) << id;
        target.seeds.push_back(std::string(static_cast<const char*>(data), size));
    }
    target.seeds.push_back(Word(1) + Word(16) + Word(15) + Word(0));
    target.dictionary = {Word(0), Word(1), Word(0xFFFF), Word(0x8000), Word(2), Word(100), std::string(1, '\x01')};
    target.maxSize = 256;
    fuzz::Run(target, [](const std::string& input, fuzz::Rng&) {
        fuzz::GuardedBytes bytes(input);
        ASSERT_TRUE(bytes.data() || input.empty());
        ToolbarResource resource;
        if (!ParseToolbarResource(bytes.data(), bytes.size(), resource)) return;
        ASSERT_GE(input.size(), 8u);
        ASSERT_EQ(WordAt(input, 3), resource.commands.size());
        ASSERT_LE(8 + 2 * resource.commands.size(), input.size());
        for (size_t i = 0; i < resource.commands.size(); ++i) EXPECT_EQ(WordAt(input, 4 + i), resource.commands[i]);
    });
}

}  // namespace
