#include <gtest/gtest.h>
TEST(Frame, Builds) { SUCCEED(); }
