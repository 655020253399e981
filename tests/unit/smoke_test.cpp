#include <gtest/gtest.h>
#include "game/state.h"

TEST(GameState, StartsZeroed) { EXPECT_EQ(game.mode, 0); }
