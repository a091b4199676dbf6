#include <gtest/gtest.h>
#include "app/AppSettings.h"
TEST(Paths, Placeholder) { SUCCEED(); }
