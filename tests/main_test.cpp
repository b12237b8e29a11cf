// The host shell where brivane-trace cannot reach it: the path line, ROM loading, start-up
// failures, the window, the keyboard as SDL gives it, the final wait and the frame's pace.
#include "hote.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace brivane {
namespace {

struct Evenement
{
    Uint8 type;
    SDLKey sym = SDLK_UNKNOWN;
};

void pousser(std::initializer_list<Evenement> evenements)
{
    for (const Evenement& ev : evenements) {
        SDL_Event e{};
        e.key.type = ev.type;
        e.key.keysym.sym = ev.sym;
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

// The grid, a line per row: '#' lit, '.' unlit.
std::string grille()
{
    std::string s;
    for (int y = 0; y < HAUTEUR; y++) {
        for (int x = 0; x < LARGEUR; x++) {
            s += pixel[x][y].color != 0 ? '#' : '.';
        }
        s += '\n';
    }
    return s;
}

// The window read back as a grid: '#' for a white 8x8 square, '.' a black one, '?' anything else.
std::string fenetre()
{
    SDL_LockSurface(screen);
    std::string s;
    for (int y = 0; y < HAUTEUR_FENETRE; y += DIMPIXEL) {
        for (int x = 0; x < LARGEUR_FENETRE; x += DIMPIXEL) {
            int vu = 0; // 1 white, 2 black, more for anything else
            for (int i = 0; i < DIMPIXEL * DIMPIXEL; i++) {
                const auto* ligne =
                    static_cast<const Uint8*>(screen->pixels) + (y + i / DIMPIXEL) * screen->pitch;
                const Uint32 c =
                    reinterpret_cast<const Uint32*>(ligne)[x + i % DIMPIXEL] & 0xFFFFFF;
                vu |= c == 0xFFFFFF ? 1 : c == 0 ? 2 : 4;
            }
            s += vu == 1 ? '#' : vu == 2 ? '.' : '?';
        }
        s += '\n';
    }
    SDL_UnlockSurface(screen);
    return s;
}

std::string fichier(const std::string& nom, const std::string& contenu)
{
    const std::string chemin = ::testing::TempDir() + nom;
    std::ofstream(chemin, std::ios::binary) << contenu;
    return chemin;
}

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
        while (SDL_PollEvent(&event) != 0) {
        }
    }
    // Loads the ROM at this path and returns what it printed.
    static std::string charger(std::string chemin, Uint8 attendu)
    {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(chargerJeu(chemin.data()), attendu) << chemin;
        return ::testing::internal::GetCapturedStdout();
    }
};

TEST_F(HoteTest, PathLineIsTakenWholeOrRefused)
{
    // The line; the path typed at the prompt; the path as the first line of PATHROM.txt, where
    // a CR before the line end is not part of it; whether it fits in 199 characters.
    const std::string l199(199, 'a');
    const std::tuple<std::string, std::string, std::string, Uint8> cas[] = {
        {"/tmp/mon jeu.ch8\nsuite\n", "/tmp/mon jeu.ch8", "/tmp/mon jeu.ch8", 1},
        {"C:\\jeux\\pong 2.ch8\r\nsuite\r\n", "C:\\jeux\\pong 2.ch8\r", "C:\\jeux\\pong 2.ch8", 1},
        {l199 + "\n", l199, l199, 1},
        {l199, l199, l199, 1},
        {"\r\n/tmp/jeu.ch8\n", "\r", "", 1},
        {"\n", "", "", 1},
        {"", "", "", 1},
        {l199 + "b\n", "", "", 0}, // cut, it could name another file
    };
    for (const auto& [ligne, tape, lu, tient] : cas) {
        const std::string chemin = fichier("PATHROM.txt", ligne);
        char filePath[TAILLECHEMIN] = "ancien";
        std::FILE* source = std::fopen(chemin.c_str(), "r");
        EXPECT_EQ(lireChemin(filePath, source), tient);
        EXPECT_EQ(filePath, tape);
        std::fclose(source);
        std::strcpy(filePath, "ancien");
        EXPECT_EQ(lireFichierChemin(filePath, chemin.c_str()), tient);
        EXPECT_EQ(filePath, lu);
    }
    char filePath[TAILLECHEMIN] = "ancien";
    EXPECT_EQ(lireFichierChemin(filePath, (::testing::TempDir() + "absent.txt").c_str()), 1);
    EXPECT_EQ(filePath, std::string());
}

TEST_F(HoteTest, RomFillsTwoHundredToFFFAndNothingElse)
{
    std::string rom(4000, '\0');
    for (size_t i = 0; i < rom.size(); i++) {
        rom[i] = static_cast<char>(i % 251 + 1);
    }
    const auto* octets = reinterpret_cast<const Uint8*>(&cpu);
    const std::vector<Uint8> avant(octets, octets + sizeof cpu);
    EXPECT_EQ(charger(fichier("grande.ch8", rom), 1), "");
    EXPECT_EQ(std::memcmp(cpu.memoire + ADRESSEDEBUT, rom.data(), 0xE00), 0);
    EXPECT_TRUE(std::equal(octets, octets + ADRESSEDEBUT, avant.begin())); // the font
    // The registers, stack, timers, program counter and keys lie past memoire.
    EXPECT_TRUE(std::equal(octets + TAILLEMEMOIRE, octets + sizeof cpu, avant.begin() + 4096));
    EXPECT_EQ(charger(fichier("vide.ch8", ""), 1), "");
}

TEST_F(HoteTest, OnlyARegularFileThatReadsIsARom)
{
    const std::string fifo = ::testing::TempDir() + "rom.fifo";
    const std::string prise = ::testing::TempDir() + "rom.sock";
    std::remove(fifo.c_str());
    std::remove(prise.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0); // opening it would block until a writer came
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    prise.copy(adresse.sun_path, sizeof adresse.sun_path - 1);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse), 0);
    const std::pair<std::string, std::string> refus[] = {
        {::testing::TempDir() + "absente.ch8", "No such file or directory"},
        {"", "No such file or directory"},
        {::testing::TempDir(), "Is a directory"},
        {fifo, "Invalid argument"},
        {prise, "Invalid argument"},
        {"/dev/null", "Invalid argument"},
        {"/proc/self/mem", "Input/output error"}, // a regular file whose first read fails
    };
    for (const auto& [chemin, raison] : refus) {
        EXPECT_EQ(charger(chemin, 0), "Error opening file: " + raison + ".\n");
    }
    close(s);
}

TEST(HoteDeathTest, StartUpFailuresAndUnreadableRoms)
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
    // Root reads any file: the ROM no one may read is tried as nobody, its report on stderr.
    std::string interdite = fichier("interdite.ch8", "ROM");
    chmod(interdite.c_str(), 0);
    auto chargerCommePersonne = [&interdite] {
        if ((geteuid() == 0 && setuid(65534) != 0) || dup2(2, 1) != 1) {
            std::exit(2);
        }
        std::exit(chargerJeu(interdite.data()));
    };
    EXPECT_EXIT(chargerCommePersonne(), ::testing::ExitedWithCode(0),
                "Error opening file: Permission denied\\.\n$");
}

TEST_F(HoteTest, WindowShowsEachCellAsASquareInItsPlace)
{
    ASSERT_TRUE(screen->w == 512 && screen->h == 256 && screen->format->BytesPerPixel == 4);
    for (int x = 0; x < LARGEUR; x++) {
        for (int y = 0; y < HAUTEUR; y++) { // every row and column has both kinds
            pixel[x][y].color = (x + 2 * y) % 5 == 0 ? 1 : 0;
        }
    }
    updateScreen();
    EXPECT_EQ(fenetre(), grille());
    std::string noir;
    for (int y = 0; y < HAUTEUR; y++) {
        noir += std::string(LARGEUR, '.') + '\n';
    }
    cleanScreen();
    updateScreen();
    EXPECT_EQ(fenetre(), noir);
    int deplacees = 0; // the blits' clipped sizes went to copies
    for (int x = 0; x < LARGEUR; x++) {
        for (int y = 0; y < HAUTEUR; y++) {
            const SDL_Rect& r = pixel[x][y].position;
            deplacees += r.x != x * 8 || r.y != y * 8 || r.w != 0 || r.h != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(deplacees, 0);
    pixel[5][7].color = 1;
    initPixel();
    EXPECT_EQ(grille(), noir);
}

TEST_F(HoteTest, ListenAppliesPendingEventsInOrder)
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
    pousser({{SDL_KEYUP, SDLK_KP5}, {SDL_KEYDOWN, SDLK_a}, {SDL_MOUSEMOTION}});
    pousser({{SDL_KEYUP, SDLK_KP_EQUALS}, {SDL_KEYUP, SDLK_1}});
    EXPECT_EQ(listen(), 1);
    EXPECT_EQ(tenues(), "012346789ABCDEF");
    // Pressed and released between two frames: never seen. After the quit, still applied.
    pousser({{SDL_KEYDOWN, SDLK_KP5}, {SDL_KEYUP, SDLK_KP5}, {SDL_QUIT}, {SDL_KEYUP, SDLK_KP0}});
    EXPECT_EQ(listen(), 0);
    EXPECT_EQ(tenues(), "12346789ABCDEF");
    EXPECT_EQ(SDL_PollEvent(&event), 0);
}

TEST_F(HoteTest, WaitsEndOnTheirOwnEvents)
{
    // A key wait ends on a new press of a keypad key: held keys, releases, other keys and the
    // mouse do not end it, and the release it took is not applied.
    cpu.touche[1] = cpu.touche[5] = 1;
    pousser({{SDL_KEYUP, SDLK_KP7}, {SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_KP_EQUALS}});
    pousser({{SDL_KEYDOWN, SDLK_1}, {SDL_MOUSEMOTION}, {SDL_KEYDOWN, SDLK_KP1}});
    pousser({{SDL_KEYDOWN, SDLK_KP2}});
    EXPECT_EQ(attendAppui(3), 1);
    EXPECT_EQ(cpu.V[3], 7);
    EXPECT_EQ(tenues(), "157");
    ASSERT_EQ(SDL_PollEvent(&event), 1); // the next press is left for later
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP2);
    // The final wait ends on a press of any key, or a quit; the next event stays queued.
    pousser({{SDL_KEYUP, SDLK_a}, {SDL_MOUSEMOTION}, {SDL_KEYDOWN, SDLK_a}});
    pousser({{SDL_KEYDOWN, SDLK_KP0}});
    pause();
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP0);
    pousser({{SDL_QUIT}, {SDL_KEYDOWN, SDLK_a}});
    pause();
    EXPECT_EQ(SDL_PollEvent(&event), 1);
    // A failed wait ends either: waiting again could spin forever.
    attendreEvenement = [](SDL_Event*) { return 0; };
    pause();
    EXPECT_EQ(attendAppui(3), 0);
    attendreEvenement = SDL_WaitEvent;
}

TEST_F(HoteTest, FrameShowsTheGridBeepsAndSleepsSixteenMs)
{
    // V0 = 5, I = glyph 5, draw it at (V1, V1), then a jump in place.
    const Uint8 programme[] = {0x60, 0x05, 0xF0, 0x29, 0xD1, 0x15, 0x12, 0x06};
    std::copy(std::begin(programme), std::end(programme), cpu.memoire + ADRESSEDEBUT);
    updateScreen();
    son = Mix_LoadWAV_RW(SDL_RWFromFile(BRIVANE_BEEP, "rb"), 1);
    ASSERT_NE(son, nullptr) << SDL_GetError();
    cpu.compteurSon = 1;
    EXPECT_EQ(executerTrame(JEU), 1);
    EXPECT_NE(grille().find('#'), std::string::npos);
    EXPECT_EQ(fenetre(), grille());
    EXPECT_EQ(Mix_Playing(0), 1);
    EXPECT_EQ(cpu.compteurSon, 0);
    // The least of several frames: load only makes a frame longer.
    double plusCourte = 1000;
    for (int i = 0; i < 8; i++) {
        const auto debut = std::chrono::steady_clock::now();
        executerTrame(JEU);
        const std::chrono::duration<double, std::milli> duree =
            std::chrono::steady_clock::now() - debut;
        plusCourte = std::min(plusCourte, duree.count());
    }
    EXPECT_GE(plusCourte, 16.0);
    EXPECT_LT(plusCourte, 17.0);
    Mix_HaltChannel(0);
    Mix_FreeChunk(son);
    son = nullptr;
}

} // namespace
} // namespace brivane
