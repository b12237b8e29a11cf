// The scripted events of a run without a window: when each is taken, and the waits once the
// script is spent.
#include "script.h"

#include "cpu.h"

#include <gtest/gtest.h>

namespace brivane {
namespace {

TEST(Script, TakesEachEventInItsFrameAndFailsOnceSpent)
{
    initCpu();
    const EvenementPrevu prevus[] = {
        {0, SDL_KEYUP, SDLK_KP5}, {2, SDL_KEYDOWN, SDLK_a}, {2, SDL_KEYDOWN, SDLK_KP7}};
    installerScript(prevus, 3);
    SDL_Event e{};
    // Frame 0 takes its own event and not those of frame 2.
    EXPECT_EQ(sonderEvenement(&e), 1);
    EXPECT_EQ(e.type, SDL_KEYUP);
    EXPECT_EQ(sonderEvenement(&e), 0);
    // A key wait would end on keypad 7 (key 1), and takes the events up to it at once.
    EXPECT_TRUE(attenteFinirait());
    EXPECT_EQ(attendAppui(3), 1);
    EXPECT_EQ(cpu.V[3], 1);
    // With none left, a wait fails instead of taking the last event again: the key wait ends
    // as at a quit, V3 unchanged.
    EXPECT_FALSE(attenteFinirait());
    EXPECT_EQ(sonderEvenement(&e), 0);
    EXPECT_EQ(attendAppui(3), 0);
    EXPECT_EQ(cpu.V[3], 1);
    // Nor would key releases or keys off the keypad end it.
    installerScript(prevus, 2);
    EXPECT_FALSE(attenteFinirait());
}

} // namespace
} // namespace brivane
