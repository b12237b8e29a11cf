// The host where neither brivane-trace nor the end-to-end tests reach it: start-up failures, the
// waits' other events and the frame's sleep.
#include "hote.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <dlfcn.h>

// While set, this thread's sleeps are noted here instead of slept: a clock the test controls.
static thread_local std::vector<Uint32>* dormis = nullptr;

// Found in this program before SDL's library, for the program's calls and SDL's own.
extern "C" void SDL_Delay(Uint32 ms)
{
    static const auto sdl = reinterpret_cast<void (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_Delay"));
    return dormis != nullptr ? dormis->push_back(ms) : sdl(ms);
}

// While set, SDL makes no 8x8 surface: the cells' surfaces cannot be made.
static bool sansCarre = false;

extern "C" SDL_Surface* SDL_CreateRGBSurface(Uint32 f, int l, int h, int p, Uint32 r, Uint32 v,
                                             Uint32 b, Uint32 a)
{
    static const auto sdl =
        reinterpret_cast<decltype(&SDL_CreateRGBSurface)>(dlsym(RTLD_NEXT, "SDL_CreateRGBSurface"));
    return sansCarre && l == brivane::DIMPIXEL ? nullptr : sdl(f, l, h, p, r, v, b, a);
}

namespace brivane {
namespace {

void pousser(std::initializer_list<std::pair<Uint8, SDLKey>> evenements)
{
    for (const auto& [type, sym] : evenements) {
        SDL_Event e{};
        e.key = {type, 0, 0, {0, sym, KMOD_NONE, 0}};
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    }
}

// The held keypad keys as hex digits, "15F" for keys 1, 5 and F.
std::string tenues()
{
    std::string s;
    for (int k = 0; k < 16; k++) {
        s += cpu.touche[k] != 0 ? std::string(1, "0123456789ABCDEF"[k]) : "";
    }
    return s;
}

TEST(HoteDeathTest, StartUpFailuresEndTheRunWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Each with the other driver working, so that nothing but the exit ends the run.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    auto demarrerSans = [](const char* pilote, void (*etape)()) {
        setenv(pilote, "absent", 1);
        etape();
    };
    EXPECT_EXIT(demarrerSans("SDL_VIDEODRIVER", initSDL), ::testing::ExitedWithCode(1),
                "^Erreur lors de l'initialisation de la SDL [^\n]+$");
    EXPECT_EXIT(demarrerSans("SDL_AUDIODRIVER", initSDL), ::testing::ExitedWithCode(1),
                "^Problème d'initialisation de SDL_MIXER: [^\n]+$");
    // With no video driver, opening the window fails (it tries to start SDL's video).
    EXPECT_EXIT(demarrerSans("SDL_VIDEODRIVER", initScreen), ::testing::ExitedWithCode(1),
                "^Erreur lors du chargement du mode vidéo [^\n]+$");
    sansCarre = true; // the window opens, its cells cannot be made
    EXPECT_EXIT(initScreen(), ::testing::ExitedWithCode(1),
                "^Erreur lors du chargement de la surface [^\n]*$");
}

struct HoteSDL : ::testing::Test
{
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0); // and SDL_VIDEODRIVER=dummy, from CTest
        initSDL();
        initScreen();
        initCpu();
    }
};

TEST_F(HoteSDL, KeyboardTakesOnlyItsOwnEvents)
{
    // listen: keys off the keypad change nothing; events after a quit still count.
    pousser({{SDL_KEYDOWN, SDLK_KP0}, {SDL_KEYDOWN, SDLK_a}, {SDL_KEYUP, SDLK_KP_EQUALS}});
    pousser({{SDL_QUIT, {}}, {SDL_KEYUP, SDLK_1}, {SDL_KEYDOWN, SDLK_KP_PERIOD}});
    EXPECT_EQ(listen(), 0);
    EXPECT_EQ(tenues(), "0A");
    // A key wait ends on a new press of a keypad key only.
    pousser({{SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_KP_EQUALS}, {SDL_KEYDOWN, SDLK_1}});
    pousser({{SDL_KEYUP, SDLK_KP0}, {SDL_KEYDOWN, SDLK_KP_ENTER}, {SDL_QUIT, {}}});
    EXPECT_EQ(attendAppui(3), 1);
    EXPECT_EQ(tenues() + "," + std::to_string(cpu.V[3]), "0AB,11");
    // The final wait ends on the quit left queued, then on a press of any key, and leaves the
    // next event queued.
    pousser({{SDL_KEYUP, SDLK_a}, {SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_b}});
    pause();
    pause();
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.key.keysym.sym, SDLK_b);
    // A failed wait ends the final wait too (a key wait's is in script_test): waiting again
    // could spin forever.
    attendreEvenement = [](SDL_Event*) { return 0; };
    event.type = SDL_KEYUP; // not an event that would end it
    pause();
    attendreEvenement = SDL_WaitEvent;
}

TEST_F(HoteSDL, FrameSleepsSixteenMs)
{
    std::vector<Uint32> dormi;
    dormis = &dormi;
    EXPECT_EQ(executerTrame(JEU) + executerTrame(JEU), 2);
    dormis = nullptr;
    EXPECT_EQ(dormi, std::vector<Uint32>(2, 16));
}

} // namespace
} // namespace brivane
