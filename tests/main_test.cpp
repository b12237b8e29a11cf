#include "SDL_mixer.h"
#include "cpu.h"
#include "evenements.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace brivane {

// Defined in main.cpp, which this test compiles with its main renamed: the program has no
// header of its own.
void initSDL();
Uint8 chargerJeu(char* nomJeu);
Uint8 listen();
void pause();
Uint8 lireChemin(char (&filePath)[200], std::FILE* source);

namespace {

struct HoteTest : ::testing::Test
{
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        initSDL();
        initScreen();
    }

    void SetUp() override
    {
        initPixel();
        initCpu();
        chargerFont();
        viderEvenements();
    }

    static std::string fichier(const std::string& nom, const std::string& contenu)
    {
        const std::string chemin = ::testing::TempDir() + nom;
        std::ofstream(chemin, std::ios::binary) << contenu;
        return chemin;
    }

    // Loads the ROM at this path and returns what it printed.
    static std::string charger(std::string chemin, Uint8 attendu)
    {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(chargerJeu(chemin.data()), attendu) << chemin;
        return ::testing::internal::GetCapturedStdout();
    }
};

TEST_F(HoteTest, RomLoadsAtTwoHundredHexUpToTheEndOfMemory)
{
    std::string rom(4000, '\0');
    for (size_t i = 0; i < rom.size(); i++) {
        rom[i] = static_cast<char>(i % 251 + 1);
    }
    EXPECT_EQ(charger(fichier("grande.ch8", rom), 1), "");
    for (size_t a = 0x200; a < 0x1000; a++) {
        ASSERT_EQ(cpu.memoire[a], static_cast<Uint8>(rom[a - 0x200])) << a;
    }
    EXPECT_EQ(cpu.memoire[0x000], 0xF0); // the font stays

    initCpu();
    EXPECT_EQ(charger(fichier("vide.ch8", ""), 1), ""); // an empty ROM still loads
    EXPECT_EQ(cpu.memoire[0x200], 0);
}

TEST_F(HoteTest, RomThatCannotBeReadIsReportedOnStandardOutput)
{
    EXPECT_EQ(charger(::testing::TempDir() + "absente.ch8", 0),
              "Error opening file: No such file or directory.\n");
    EXPECT_EQ(charger("", 0), "Error opening file: No such file or directory.\n");
    // A directory opens but cannot be read: no empty machine is run in its place.
    EXPECT_EQ(charger(::testing::TempDir(), 0), "Error opening file: Is a directory.\n");
}

TEST_F(HoteTest, PathLineIsTakenWholeOrRefused)
{
    const std::string longue(199, 'a');
    const std::pair<std::string, std::string> cas[] = {
        {"/tmp/mon jeu.ch8\nsuite\n", "/tmp/mon jeu.ch8"},
        {longue + "\n", longue},
        {longue, longue},
        {"\n", ""},
        {"", ""}};
    for (const auto& [entree, chemin] : cas) {
        std::FILE* source = std::fopen(fichier("ligne.txt", entree).c_str(), "r");
        char filePath[200];
        EXPECT_EQ(lireChemin(filePath, source), 1);
        EXPECT_EQ(filePath, chemin);
        std::fclose(source);
    }
    std::FILE* source = std::fopen(fichier("ligne.txt", longue + "b\n").c_str(), "r");
    char filePath[200];
    EXPECT_EQ(lireChemin(filePath, source), 0); // cut, it could name another file
    std::fclose(source);
}

TEST_F(HoteTest, ListenAppliesEveryPendingEventInOrder)
{
    const SDLKey carte[16] = {SDLK_KP0,      SDLK_KP7,     SDLK_KP8,         SDLK_KP9,
                              SDLK_KP4,      SDLK_KP5,     SDLK_KP6,         SDLK_KP1,
                              SDLK_KP2,      SDLK_KP3,     SDLK_KP_PERIOD,   SDLK_KP_ENTER,
                              SDLK_KP_MINUS, SDLK_KP_PLUS, SDLK_KP_MULTIPLY, SDLK_KP_DIVIDE};
    for (int k = 0; k < 16; k++) {
        pousser(SDL_KEYDOWN, carte[k]);
        EXPECT_EQ(listen(), 1);
        for (int i = 0; i < 16; i++) {
            EXPECT_EQ(cpu.touche[i], i <= k ? 1 : 0) << k << " " << i;
        }
    }
    EXPECT_EQ(listen(), 1); // a held key stays held
    EXPECT_EQ(cpu.touche[5], 1);

    pousser(SDL_KEYUP, SDLK_KP5);
    pousser(SDL_KEYDOWN, SDLK_a);
    pousser(SDL_KEYUP, SDLK_KP_EQUALS);
    pousser(SDL_KEYUP, SDLK_1);
    EXPECT_EQ(listen(), 1);
    EXPECT_EQ(cpu.touche[5], 0);
    EXPECT_EQ(cpu.touche[4], 1);

    pousser(SDL_KEYDOWN, SDLK_KP5);
    pousser(SDL_KEYUP, SDLK_KP5); // pressed and released between two frames: never seen
    pousser(SDL_QUIT);
    pousser(SDL_KEYUP, SDLK_KP0); // after the quit, still applied
    EXPECT_EQ(listen(), 0);
    EXPECT_EQ(cpu.touche[5], 0);
    EXPECT_EQ(cpu.touche[0], 0);
    EXPECT_EQ(SDL_PollEvent(&event), 0);
}

TEST_F(HoteTest, PauseEndsOnAnyKeyPressOrQuit)
{
    pousser(SDL_KEYUP, SDLK_a);
    pousser(SDL_MOUSEMOTION);
    pousser(SDL_KEYDOWN, SDLK_a);
    pousser(SDL_KEYDOWN, SDLK_KP0);
    pause();
    ASSERT_EQ(SDL_PollEvent(&event), 1); // the press of `a` ended it, the next one is left
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP0);
    pousser(SDL_QUIT);
    pause();
    EXPECT_EQ(SDL_PollEvent(&event), 0);
}

TEST_F(HoteTest, ScreenShowsEachLitCellAsAWhiteSquare)
{
    EXPECT_EQ(pixel[63][31].position.x, 504);
    EXPECT_EQ(pixel[63][31].position.y, 248);
    EXPECT_EQ(pixel[63][31].position.w, 0);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 512);
    EXPECT_EQ(screen->h, 256);
    ASSERT_EQ(screen->format->BytesPerPixel, 4);
    auto lire = [](int x, int y) {
        const auto* ligne = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
        return reinterpret_cast<const Uint32*>(ligne)[x] & 0xFFFFFF;
    };

    pixel[1][0].color = 1;
    pixel[63][31].color = 1;
    updateScreen();
    ASSERT_EQ(SDL_LockSurface(screen), 0);
    for (int y = 0; y < 8; y++) {
        EXPECT_EQ(lire(7, y), 0u);
        EXPECT_EQ(lire(8, y), 0xFFFFFFu);
        EXPECT_EQ(lire(15, y), 0xFFFFFFu);
        EXPECT_EQ(lire(16, y), 0u);
    }
    EXPECT_EQ(lire(8, 8), 0u);
    EXPECT_EQ(lire(511, 255), 0xFFFFFFu);
    EXPECT_EQ(pixel[1][0].position.w, 0); // the blit's clipped size went to a copy
    SDL_UnlockSurface(screen);

    cleanScreen();
    updateScreen();
    ASSERT_EQ(SDL_LockSurface(screen), 0);
    EXPECT_EQ(lire(8, 0), 0u);
    EXPECT_EQ(lire(511, 255), 0u);
    SDL_UnlockSurface(screen);
}

TEST_F(HoteTest, BeepIsAShortSoundTheMixerCanLoad)
{
    Mix_Chunk* beep = Mix_LoadWAV_RW(SDL_RWFromFile(BRIVANE_BEEP, "rb"), 1);
    ASSERT_NE(beep, nullptr) << SDL_GetError();
    const double secondes = beep->alen / (22050.0 * 2 * 2); // 16-bit stereo once mixed
    EXPECT_GE(secondes, 0.1);
    EXPECT_LE(secondes, 0.3);
    Mix_FreeChunk(beep);
}

TEST(HoteDeathTest, StartUpFailuresExitWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "absent", 1);
            initSDL();
        },
        ::testing::ExitedWithCode(1), "^Erreur lors de l'initialisation de la SDL .+[^\n]$");
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "absent", 1);
            initSDL();
        },
        ::testing::ExitedWithCode(1), "^Problème d'initialisation de SDL_MIXER: .+[^\n]$");
}

} // namespace
} // namespace brivane
