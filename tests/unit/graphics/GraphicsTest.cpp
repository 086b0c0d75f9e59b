#include <gtest/gtest.h>

#include "platform/Graphics.h"

TEST(GraphicsSmoke, Builds)
{
    EXPECT_TRUE(plat::CBitmap::CreateDib(4, -4));
}
