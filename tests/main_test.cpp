// The host shell where brivane-trace cannot reach it: the path line, ROM loading, start-up
// failures, the window, the keyboard as SDL gives it, the final wait and the frame's pace.
#include "hote.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include <sys/stat.h>
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

long allumees()
{
    return std::count_if(&pixel[0][0], &pixel[0][0] + LARGEUR * HAUTEUR,
                         [](const PIXEL& p) { return p.color != 0; });
}

// Window pixels that do not show their cell as it stands: white if lit, else black.
int fausses()
{
    SDL_LockSurface(screen);
    int n = 0;
    for (int y = 0; y < HAUTEUR_FENETRE; y++) {
        const auto* ligne = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
        for (int x = 0; x < LARGEUR_FENETRE; x++) {
            const Uint32 c = reinterpret_cast<const Uint32*>(ligne)[x] & 0xFFFFFF;
            n += c != (pixel[x / DIMPIXEL][y / DIMPIXEL].color != 0 ? 0xFFFFFFu : 0u) ? 1 : 0;
        }
    }
    SDL_UnlockSurface(screen);
    return n;
}

// A path of this process's own in the temporary folder: test runs may overlap.
std::string temporaire(const std::string& nom)
{
    return ::testing::TempDir() + "brivane-" + std::to_string(getpid()) + "-" + nom;
}

std::string fichier(const std::string& nom, const std::string& contenu)
{
    const std::string chemin = temporaire(nom);
    std::ofstream(chemin, std::ios::binary) << contenu;
    return chemin;
}

// The process's open file descriptors: a file left open adds one.
long ouverts() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

struct HoteTest : ::testing::Test
{
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0); // and SDL_VIDEODRIVER=dummy, from CTest
        initSDL();
        initScreen();
    }
    static void TearDownTestSuite()
    {
        for (const char* nom : {"PATHROM.txt", "grande.ch8", "vide.ch8", "rom.fifo"}) {
            std::remove(temporaire(nom).c_str());
        }
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
    EXPECT_EQ(lireFichierChemin(filePath, temporaire("absent.txt").c_str()), 1);
    EXPECT_EQ(filePath, std::string());
}

TEST_F(HoteTest, RomFillsTwoHundredToFFFAndNothingElse)
{
    std::string rom(4000, '\0');
    for (size_t i = 0; i < rom.size(); i++) {
        rom[i] = static_cast<char>(i % 251 + 1);
    }
    const long descripteurs = ouverts();
    const auto* octets = reinterpret_cast<const Uint8*>(&cpu);
    const std::vector<Uint8> avant(octets, octets + sizeof cpu);
    EXPECT_EQ(charger(fichier("grande.ch8", rom), 1), "");
    EXPECT_EQ(std::memcmp(cpu.memoire + ADRESSEDEBUT, rom.data(), 0xE00), 0);
    EXPECT_TRUE(std::equal(octets, octets + ADRESSEDEBUT, avant.begin())); // the font
    // The registers, stack, timers, program counter and keys lie past memoire.
    EXPECT_TRUE(
        std::equal(octets + TAILLEMEMOIRE, octets + sizeof cpu, avant.begin() + TAILLEMEMOIRE));
    EXPECT_EQ(charger(fichier("vide.ch8", ""), 1), "");

    const std::string fifo = temporaire("rom.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0); // opening it would block until a writer came
    const std::pair<std::string, std::string> refus[] = {
        {temporaire("absente.ch8"), "No such file or directory"},
        {"", "No such file or directory"},
        {::testing::TempDir(), "Is a directory"},
        {fifo, "Invalid argument"},
        {"/dev/null", "Invalid argument"},
        {"/proc/self/mem", "Input/output error"}, // a regular file whose first read fails
    };
    for (const auto& [chemin, raison] : refus) {
        EXPECT_EQ(charger(chemin, 0), "Error opening file: " + raison + ".\n");
    }
    EXPECT_EQ(ouverts(), descripteurs);
}

// brivane-trace starts from a machine never used; a reset must also clear a used one.
TEST_F(HoteTest, ResetClearsAUsedMachine)
{
    std::memset(&cpu, 0xA5, sizeof cpu);
    initCpu();
    EXPECT_EQ(std::count(cpu.memoire, std::end(cpu.memoire), 0), TAILLEMEMOIRE);
    EXPECT_EQ(std::count(cpu.V, std::end(cpu.V), 0) + std::count(cpu.pile, std::end(cpu.pile), 0) +
                  std::count(cpu.touche, std::end(cpu.touche), 0),
              48);
    EXPECT_EQ(std::tie(cpu.I, cpu.nombreSaut, cpu.compteurCPU, cpu.compteurSon, cpu.programCounter),
              std::make_tuple(0, 0, 0, 0, 0x200));
}

TEST(HoteDeathTest, StartUpFailuresAndAnUnreadableRom)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Each with the other driver working, so that nothing but the exit ends the run.
    auto demarrerSans = [](const char* pilote) {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv(pilote, "absent", 1);
        initSDL();
    };
    EXPECT_EXIT(demarrerSans("SDL_VIDEODRIVER"), ::testing::ExitedWithCode(1),
                "^Erreur lors de l'initialisation de la SDL [^\n]+$");
    EXPECT_EXIT(demarrerSans("SDL_AUDIODRIVER"), ::testing::ExitedWithCode(1),
                "^Problème d'initialisation de SDL_MIXER: [^\n]+$");
    // With no video driver, opening the window fails (it tries to start SDL's video).
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "absent", 1);
            initScreen();
        },
        ::testing::ExitedWithCode(1), "^Erreur lors du chargement du mode vidéo [^\n]+$");
    // Root reads any file: a ROM its owner may not read is tried as its owner, nobody.
    auto chargerCommePersonne = [] {
        std::string interdite = fichier("interdite.ch8", "ROM");
        if (chmod(interdite.c_str(), 0) != 0 || dup2(2, 1) != 1 ||
            (geteuid() == 0 &&
             (chown(interdite.c_str(), 65534, 65534) != 0 || setuid(65534) != 0))) {
            std::exit(2);
        }
        const Uint8 charge = chargerJeu(interdite.data());
        std::remove(interdite.c_str());
        std::exit(charge);
    };
    EXPECT_EXIT(chargerCommePersonne(), ::testing::ExitedWithCode(0),
                "Error opening file: Permission denied\\.\n$");
}

TEST_F(HoteTest, SoundDeviceIsStereoSixteenBitsAt22050HzWithOneChannel)
{
    int frequence = 0, canaux = 0;
    Uint16 format = 0;
    ASSERT_EQ(Mix_QuerySpec(&frequence, &format, &canaux), 1);
    EXPECT_EQ(std::make_tuple(frequence, format, canaux), std::make_tuple(22050, AUDIO_S16LSB, 2));
    EXPECT_EQ(Mix_AllocateChannels(-1), 1); // -1 asks how many there are
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
    EXPECT_EQ(fausses(), 0);
    cleanScreen();
    updateScreen();
    EXPECT_EQ(allumees(), 0);
    EXPECT_EQ(fausses(), 0);
    EXPECT_EQ(pixel[1][0].position.w, 0); // the blits' clipped sizes went to copies
    pixel[5][7].color = 1;
    initPixel();
    EXPECT_EQ(allumees(), 0);
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
    cpu.V[3] = 9;
    pousser({{SDL_KEYUP, SDLK_KP7}, {SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_KP_EQUALS}});
    pousser({{SDL_KEYDOWN, SDLK_1}, {SDL_MOUSEMOTION}, {SDL_KEYDOWN, SDLK_KP0}});
    pousser({{SDL_KEYDOWN, SDLK_KP1}});
    EXPECT_EQ(attendAppui(3), 1);
    EXPECT_EQ(cpu.V[3], 0);
    EXPECT_EQ(tenues(), "015");
    ASSERT_EQ(SDL_PollEvent(&event), 1); // the next press is left for later
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP1);
    // The final wait ends on a press of any key, or a quit; the next event stays queued.
    pousser({{SDL_KEYUP, SDLK_a}, {SDL_MOUSEMOTION}, {SDL_KEYDOWN, SDLK_a}});
    pousser({{SDL_KEYDOWN, SDLK_KP0}, {SDL_QUIT}, {SDL_MOUSEMOTION}, {SDL_KEYDOWN, SDLK_b}});
    pause();
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP0);
    pause();
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.type, SDL_MOUSEMOTION);
    // A failed wait ends either: waiting again could spin forever.
    attendreEvenement = [](SDL_Event*) { return 0; };
    pause();
    EXPECT_EQ(attendAppui(3), 0);
    attendreEvenement = SDL_WaitEvent;
}

TEST_F(HoteTest, FrameEndsShowingTheGridAfterSixteenMs)
{
    // V0 = 5, I = glyph 5, draw it at (V1, V1), then a jump in place.
    const Uint8 programme[] = {0x60, 0x05, 0xF0, 0x29, 0xD1, 0x15, 0x12, 0x06};
    std::copy(std::begin(programme), std::end(programme), cpu.memoire + ADRESSEDEBUT);
    updateScreen();
    EXPECT_EQ(executerTrame(JEU), 1);
    EXPECT_GT(allumees(), 0);
    EXPECT_EQ(fausses(), 0);
    // A frame is the sleep plus work, mostly the redraw: the shortest of several frames less the
    // shortest redraw is the sleep, give or take load.
    using Ms = std::chrono::duration<double, std::milli>;
    auto duree = [](void (*f)()) {
        const auto debut = std::chrono::steady_clock::now();
        f();
        return Ms(std::chrono::steady_clock::now() - debut);
    };
    Ms redessin(1000), trame(1000);
    for (int i = 0; i < 20; i++) {
        redessin = std::min(redessin, duree(updateScreen));
        trame = std::min(trame, duree([] { executerTrame(JEU); }));
    }
    EXPECT_GE((trame - redessin).count(), 16.0);
    EXPECT_LT((trame - redessin).count(), 17.0);
}

} // namespace
} // namespace brivane
