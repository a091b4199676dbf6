#include <gtest/gtest.h>
#include "app/AppSettings.h"
TEST(Log, Placeholder) { SUCCEED(); }
