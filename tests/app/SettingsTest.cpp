#include <gtest/gtest.h>
#include "app/AppSettings.h"
TEST(Settings, Placeholder) { SUCCEED(); }
