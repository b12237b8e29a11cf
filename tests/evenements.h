#pragma once
// Shared by the tests: a fresh machine for every test, SDL events queued before the code that
// takes them runs, and the held keys read back as text.

#include "cpu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace brivane {

struct Evenement
{
    Uint8 type;
    SDLKey sym = SDLK_UNKNOWN;
};

inline void pousser(std::initializer_list<Evenement> evenements)
{
    for (const Evenement& ev : evenements) {
        SDL_Event e{};
        e.key.type = ev.type;
        e.key.keysym.sym = ev.sym;
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    }
}

// The held keypad keys as hex digits, "15F" for keys 1, 5 and F.
inline std::string tenues()
{
    std::string s;
    for (int k = 0; k < 16; k++) {
        if (cpu.touche[k] != 0) {
            s += "0123456789ABCDEF"[k];
        }
    }
    return s;
}

struct MachineTest : ::testing::Test
{
    void SetUp() override
    {
        // The event queue needs SDL's video part; the dummy driver keeps it off screen.
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        initPixel();
        initCpu();
        chargerFont();
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0) {
        }
    }
};

} // namespace brivane
