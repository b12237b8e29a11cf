// The host shell where neither brivane-trace nor the end-to-end tests reach it: the path line,
// refused ROMs and failed reads, start-up failures, the waits' other events and the frame's sleep.
#include "hote.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

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

// This process's own folder: test runs may overlap.
const std::string dossier = ::testing::TempDir() + "brivane-" + std::to_string(getpid()) + "/";

std::string fichier(const std::string& nom, const std::string& contenu)
{
    std::filesystem::create_directories(dossier);
    std::ofstream(dossier + nom, std::ios::binary) << contenu;
    return dossier + nom;
}

// The process's open file descriptors: a file left open adds one.
long ouverts() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

void pousser(std::initializer_list<std::pair<Uint8, SDLKey>> evenements)
{
    for (const auto& [type, sym] : evenements) {
        SDL_Event e{};
        e.key.type = type;
        e.key.keysym.sym = sym;
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

TEST(Hote, PathLineIsTakenWholeOrRefused)
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
        {"", "", "", 1},
        {l199 + "b\n", "", "", 0},                           // cut, it could name another file
        {"\xEF\xBB\xBF/é\r\n", "\xEF\xBB\xBF/é\r", "/é", 1}, // Notepad's UTF-8 BOM
    };
    const long descripteurs = ouverts();
    for (const auto& [ligne, tape, lu, tient] : cas) {
        char invite[TAILLECHEMIN] = "ancien", pathrom[TAILLECHEMIN] = "ancien";
        std::FILE* source = std::fopen(fichier("PATHROM.txt", ligne).c_str(), "r");
        EXPECT_EQ(lireChemin(invite, source), tient);
        EXPECT_EQ(lireFichierChemin(pathrom, (dossier + "PATHROM.txt").c_str()), tient);
        EXPECT_EQ(std::tie(invite, pathrom), std::tie(tape, lu));
        std::fclose(source);
    }
    // PATHROM.txt as Windows PowerShell 5 writes it: UTF-16 LE after its byte-order mark, read
    // as UTF-8 (199 bytes at most); half a surrogate pair is no letter.
    const std::u16string a197(197, u'a');
    const std::tuple<std::u16string, std::string, Uint8> larges[] = {
        {u"C:\\Кроме\\€ 𐀀.ch8\r\nsuite", "C:\\Кроме\\€ 𐀀.ch8", 1},
        {u"\u007F\u0080\u07FF\u0800\uFFFF", "\x7F\u0080\u07FF\u0800\uFFFF", 1},
        {u"\xDBFF\xE000😀\xDC00", "\uFFFD\uE000😀\uFFFD", 1},
        {a197 + u"é\n", std::string(197, 'a') + "é", 1},
        {a197 + u"aé", "", 0},
        {a197 + u"aaa", "", 0},
        {u"", "", 1},
    };
    for (auto [ligne, lu, tient] : larges) {
        std::string octets = "\xFF\xFE";
        for (const char16_t c : ligne) {
            octets += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        }
        char pathrom[TAILLECHEMIN] = "ancien";
        EXPECT_EQ(lireFichierChemin(pathrom, fichier("PATHROM.txt", octets).c_str()), tient);
        EXPECT_EQ(pathrom, lu);
    }
    char pathrom[TAILLECHEMIN] = "ancien";
    EXPECT_EQ(lireFichierChemin(pathrom, (dossier + "absent.txt").c_str()), 1);
    EXPECT_EQ(pathrom, std::string());
    EXPECT_EQ(ouverts(), descripteurs);
    std::filesystem::remove_all(dossier);
}

TEST(Hote, RomFillsTwoHundredToFFFOrIsRefused)
{
    std::string rom(4000, '\0');
    std::iota(rom.begin(), rom.end(), '\1');
    // Only 0x200 to 0xFFF changes: the registers, stack, timers and keys lie past memoire.
    const auto* octets = reinterpret_cast<const Uint8*>(&cpu);
    std::vector<Uint8> attendu(octets, octets + sizeof cpu);
    std::copy_n(rom.begin(), 0xE00, attendu.begin() + ADRESSEDEBUT);
    const long descripteurs = ouverts();
    EXPECT_EQ(chargerJeu(fichier("grande.ch8", rom).data()), 1);
    EXPECT_EQ(attendu, std::vector<Uint8>(octets, octets + sizeof cpu));
    EXPECT_EQ(chargerJeu(fichier("vide.ch8", "").data()), 1);
    // Paths as pasted or dropped: without their trailing blanks and one pair of matching quotes
    // they name the ROM. A name that opens as it is, quotes and all, is that file.
    const std::string jeu = fichier("mon jeu.ch8", "J"), q = fichier("'q.ch8'", "Q");
    fichier("q.ch8", "q"), fichier("boucle", "b");
    std::filesystem::create_symlink(dossier + "boucle ", dossier + "boucle ");
    for (auto [chemin, octet] :
         {std::pair{"'" + jeu + "' ", 'J'}, {'"' + jeu + '"', 'J'}, {jeu + " \t", 'J'}, {q, 'Q'}}) {
        EXPECT_EQ(chargerJeu(chemin.data()), 1) << chemin;
        EXPECT_EQ(cpu.memoire[ADRESSEDEBUT], octet);
    }
    ASSERT_EQ(mkfifo((dossier + "fifo").c_str(), 0600), 0); // opening it would block
    const std::pair<std::string, std::string> refus[] = {
        {dossier + "absente.ch8", "No such file or directory"},
        {"", "No such file or directory"},
        {dossier, "Is a directory"},
        {dossier + "fifo", "Invalid argument"},
        {"/dev/null", "Invalid argument"},
        {"/proc/sys/vm/drop_caches", "Permission denied"},          // write-only, even for root
        {"/proc/self/mem", "Input/output error"},                   // its first read fails
        {"'" + jeu + "/x' ", "No such file or directory"},          // not "Not a directory"
        {dossier + "boucle ", "Too many levels of symbolic links"}, // it names something
        {"'" + jeu + '"', "No such file or directory"},             // quotes that do not match
        {'"' + dossier + "\" ", "Is a directory"}, // the failure of what the path names
    };
    alarm(5); // neither opening nor reading the FIFO may wait for a writer: SIGALRM ends the test
    for (auto [chemin, raison] : refus) {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(chargerJeu(chemin.data()), 0) << chemin;
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "Error opening file: " + raison + ".\n");
    }
    alarm(0);
    EXPECT_EQ(ouverts(), descripteurs);
    std::filesystem::remove_all(dossier);
    // A read that fails is a failure even when the C library leaves errno alone, as it may.
    cookie_io_functions_t echec = {};
    echec.read = [](void*, char*, size_t) -> ssize_t { return -1; };
    std::FILE* flux = fopencookie(nullptr, "rb", echec);
    errno = EPERM; // an earlier failure's errno is not the reason
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(lireJeu(flux), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error opening file: Input/output error.\n");
    std::fclose(flux);
}

TEST(HoteDeathTest, StartUpFailuresEndTheRunWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Each with the other driver working, so that nothing but the exit ends the run.
    auto demarrerSans = [](const char* pilote, void (*etape)()) {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
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
    EXPECT_EQ(std::make_tuple(cpu.V[3], tenues()), std::make_tuple(0xB, "0AB"));
    // The final wait ends on the quit left queued, then on a press of any key, and leaves the
    // next event queued.
    pousser({{SDL_KEYUP, SDLK_a}, {SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_b}});
    pause();
    pause();
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.key.keysym.sym, SDLK_b);
    // A failed wait ends either: waiting again could spin forever.
    attendreEvenement = [](SDL_Event*) { return 0; };
    pause();
    EXPECT_EQ(attendAppui(3), 0);
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
