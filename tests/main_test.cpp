#include "evenements.h"
#include "hote.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <tuple>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace brivane {

namespace {

struct HoteTest : MachineTest
{
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        initSDL();
        initScreen();
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

TEST_F(HoteTest, RomLoadsAtTwoHundredHexOrIsReportedOnStandardOutput)
{
    std::string rom(4000, '\0');
    for (size_t i = 0; i < rom.size(); i++) {
        rom[i] = static_cast<char>(i % 251 + 1);
    }
    EXPECT_EQ(charger(fichier("grande.ch8", rom), 1), "");
    EXPECT_EQ(std::memcmp(cpu.memoire + 0x200, rom.data(), 0xE00), 0); // up to 0xFFF
    EXPECT_EQ(cpu.memoire[0x000], 0xF0);                               // the font stays
    initCpu();
    EXPECT_EQ(charger(fichier("vide.ch8", ""), 1), ""); // an empty ROM still loads
    EXPECT_EQ(cpu.memoire[0x200], 0);

    EXPECT_EQ(charger(::testing::TempDir() + "absente.ch8", 0),
              "Error opening file: No such file or directory.\n");
    EXPECT_EQ(charger("", 0), "Error opening file: No such file or directory.\n");
    // A directory opens but cannot be read: no empty machine is run in its place.
    EXPECT_EQ(charger(::testing::TempDir(), 0), "Error opening file: Is a directory.\n");
    // Nothing but a regular file is opened: a FIFO would block until a writer came.
    const std::string fifo = ::testing::TempDir() + "rom.fifo";
    const std::string prise = ::testing::TempDir() + "rom.sock";
    std::remove(fifo.c_str());
    std::remove(prise.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    prise.copy(adresse.sun_path, sizeof adresse.sun_path - 1);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse), 0);
    for (const std::string& chemin : {fifo, prise, std::string("/dev/null")}) {
        EXPECT_EQ(charger(chemin, 0), "Error opening file: Invalid argument.\n");
    }
    close(s);
}

TEST_F(HoteTest, PathLineIsTakenWholeOrRefused)
{
    const std::string longue(199, 'a');
    const std::tuple<std::string, std::string, Uint8> cas[] = {
        {"/tmp/mon jeu.ch8\nsuite\n", "/tmp/mon jeu.ch8", 1},
        {longue + "\n", longue, 1},
        {longue, longue, 1},
        {"\n", "", 1},
        {"", "", 1},
        {longue + "b\n", "", 0}, // cut, it could name another file
    };
    for (const auto& [entree, chemin, lu] : cas) {
        std::FILE* source = std::fopen(fichier("ligne.txt", entree).c_str(), "r");
        char filePath[200];
        EXPECT_EQ(lireChemin(filePath, source), lu);
        EXPECT_EQ(filePath, chemin);
        std::fclose(source);
    }
}

TEST_F(HoteTest, PathFileGivesItsFirstLineWithoutTheCarriageReturn)
{
    const std::string longue(199, 'a');
    const std::tuple<std::string, std::string, Uint8> cas[] = {
        {"C:\\Mes jeux\\pong 2.ch8\r\nsuite\r\n", "C:\\Mes jeux\\pong 2.ch8", 1},
        {"/tmp/mon jeu.ch8", "/tmp/mon jeu.ch8", 1},
        {longue + "\n", longue, 1},
        {"\r\n/tmp/jeu.ch8\r\n", "", 1},
        {"", "", 1},
        {longue + "b\r\n", "", 0},
    };
    for (const auto& [contenu, chemin, lu] : cas) {
        char filePath[200] = "ancien";
        EXPECT_EQ(lireFichierChemin(filePath, fichier("PATHROM.txt", contenu).c_str()), lu);
        EXPECT_EQ(filePath, chemin) << contenu;
    }
    char filePath[200] = "ancien";
    EXPECT_EQ(lireFichierChemin(filePath, (::testing::TempDir() + "absent.txt").c_str()), 1);
    EXPECT_EQ(filePath, std::string());
}

TEST_F(HoteTest, ListenAppliesPendingEventsInOrderAndPauseWaitsForAnyPress)
{
    // The host keys of keypad keys 0 to F, pressed in that order.
    size_t k = 0;
    for (const SDLKey sym : {SDLK_KP0, SDLK_KP7, SDLK_KP8, SDLK_KP9, SDLK_KP4, SDLK_KP5, SDLK_KP6,
                             SDLK_KP1, SDLK_KP2, SDLK_KP3, SDLK_KP_PERIOD, SDLK_KP_ENTER,
                             SDLK_KP_MINUS, SDLK_KP_PLUS, SDLK_KP_MULTIPLY, SDLK_KP_DIVIDE}) {
        pousser({{SDL_KEYDOWN, sym}});
        EXPECT_EQ(listen(), 1);
        EXPECT_EQ(tenues(), std::string("0123456789ABCDEF", ++k)) << sym;
    }
    EXPECT_EQ(listen(), 1); // held keys stay held
    EXPECT_EQ(tenues(), "0123456789ABCDEF");

    pousser({{SDL_KEYUP, SDLK_KP5}, {SDL_KEYDOWN, SDLK_a}});
    pousser({{SDL_KEYUP, SDLK_KP_EQUALS}, {SDL_KEYUP, SDLK_1}});
    EXPECT_EQ(listen(), 1);
    EXPECT_EQ(tenues(), "012346789ABCDEF");

    // Pressed and released between two frames: never seen. After the quit, still applied.
    pousser({{SDL_KEYDOWN, SDLK_KP5}, {SDL_KEYUP, SDLK_KP5}, {SDL_QUIT}, {SDL_KEYUP, SDLK_KP0}});
    EXPECT_EQ(listen(), 0);
    EXPECT_EQ(tenues(), "12346789ABCDEF");
    EXPECT_EQ(SDL_PollEvent(&event), 0);

    // pause ends on any key press, leaving the next event queued, or on a quit.
    pousser({{SDL_KEYUP, SDLK_a}, {SDL_MOUSEMOTION}});
    pousser({{SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_KP0}});
    pause();
    ASSERT_EQ(SDL_PollEvent(&event), 1); // the press of `a` ended it, the next one is left
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP0);
    pousser({{SDL_QUIT}});
    pause();
    EXPECT_EQ(SDL_PollEvent(&event), 0);
}

TEST_F(HoteTest, ScreenShowsEachLitCellAsAWhiteSquare)
{
    const SDL_Rect& coin = pixel[63][31].position;
    EXPECT_EQ(std::tie(coin.x, coin.y, coin.w), std::make_tuple(504, 248, 0));
    ASSERT_TRUE(screen->w == 512 && screen->h == 256 && screen->format->BytesPerPixel == 4);
    // Seventeen window pixels of row y from column x: '#' white, '.' black, '?' other.
    auto rangee = [](int x, int y) {
        SDL_LockSurface(screen);
        const auto* ligne = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
        std::string s;
        for (int i = x; i < x + 17; i++) {
            const Uint32 c = reinterpret_cast<const Uint32*>(ligne)[i] & 0xFFFFFF;
            s += c == 0xFFFFFF ? '#' : c == 0 ? '.' : '?';
        }
        SDL_UnlockSurface(screen);
        return s;
    };
    pixel[1][0].color = pixel[63][31].color = 1;
    updateScreen();
    for (int y = 0; y <= 8; y++) {
        EXPECT_EQ(rangee(0, y), y < 8 ? "........########." : ".................") << y;
    }
    EXPECT_EQ(rangee(495, 255), ".........########");
    EXPECT_EQ(pixel[1][0].position.w, 0); // the blit's clipped size went to a copy
    cleanScreen();
    updateScreen();
    EXPECT_EQ(rangee(0, 0) + rangee(495, 255), std::string(34, '.'));
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
    auto demarrerSans = [](const char* pilote) {
        setenv(pilote, "absent", 1);
        initSDL();
    };
    EXPECT_EXIT(demarrerSans("SDL_VIDEODRIVER"), ::testing::ExitedWithCode(1),
                "^Erreur lors de l'initialisation de la SDL .+[^\n]$");
    EXPECT_EXIT(demarrerSans("SDL_AUDIODRIVER"), ::testing::ExitedWithCode(1),
                "^Problème d'initialisation de SDL_MIXER: .+[^\n]$");
}

} // namespace
} // namespace brivane
