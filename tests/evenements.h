#pragma once
// SDL events queued by the tests before the code that takes them runs.

#include "SDL.h"

#include <gtest/gtest.h>

namespace brivane {

inline void pousser(Uint8 type, SDLKey sym = SDLK_UNKNOWN)
{
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.keysym.sym = sym;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

inline void viderEvenements()
{
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
    }
}

} // namespace brivane
