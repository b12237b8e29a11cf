// The scripted events of a run without a window: the waits once the script is spent, which no
// run of brivane-trace reaches (it stops before a key wait that would find nothing left). When
// each event is taken is for the golden cases to say.
#include "script.h"

#include "cpu.h"

#include <gtest/gtest.h>

namespace brivane {
namespace {

TEST(Script, KeyWaitFailsOnceSpent)
{
    // A key release would not end a key wait (nor would keys off the keypad, as hote_test shows).
    const EvenementPrevu prevus[] = {
        {0, SDL_KEYUP, SDLK_KP5}, {2, SDL_KEYDOWN, SDLK_KP7}, {2, SDL_KEYDOWN, SDLK_KP8}};
    installerScript(prevus, 1);
    EXPECT_FALSE(attenteFinirait());
    // A key wait takes keypad 7 (key 1) at once. With none left, a wait fails instead of
    // taking the last event again, or the one past the script: the key wait ends as at a
    // quit, V3 unchanged.
    installerScript(prevus + 1, 1);
    EXPECT_EQ(attendAppui(3), 1);
    EXPECT_EQ(attendAppui(3), 0);
    EXPECT_EQ(cpu.V[3], 1);
}

} // namespace
} // namespace brivane
