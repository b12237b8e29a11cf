#include "evenements.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

namespace brivane {
namespace {

using Mots = std::vector<int>;
using Octets = std::vector<int>;

// Writes each word at the program counter, high byte first, and executes it; each is
// expected to return suite. Returns the program counter after the last one.
int executer(const Mots& mots, Uint8 suite = 1)
{
    for (const int mot : mots) {
        cpu.memoire[cpu.programCounter & 0xFFF] = static_cast<Uint8>(mot >> 8);
        cpu.memoire[(cpu.programCounter + 1) & 0xFFF] = static_cast<Uint8>(mot);
        EXPECT_EQ(interpreterOpcode(recupererOpcode()), suite) << std::hex << mot;
    }
    return cpu.programCounter;
}

Octets lire(const Uint8* debut, int n) { return Octets(debut, debut + n); }

// The lit cells, column by column: "x,y x,y ...".
std::string allumees()
{
    std::string s;
    for (int x = 0; x < LARGEUR; x++) {
        for (int y = 0; y < HAUTEUR; y++) {
            if (pixel[x][y].color != 0) {
                s += " " + std::to_string(x) + "," + std::to_string(y);
            }
        }
    }
    return s.empty() ? s : s.substr(1);
}

using CpuTest = MachineTest;

TEST_F(CpuTest, ResetLeavesOnlyFontAndProgramCounter)
{
    executer({0x6009, 0xAFFF, 0xF055}); // V0, I, 0xFFF and the program at 0x200
    initCpu();
    chargerFont();
    EXPECT_EQ(lire(cpu.memoire, 5), (Octets{0xF0, 0x90, 0x90, 0x90, 0xF0}));        // 0
    EXPECT_EQ(lire(cpu.memoire + 0x4B, 5), (Octets{0xF0, 0x80, 0xF0, 0x80, 0x80})); // F
    EXPECT_EQ(std::count(cpu.memoire + 0x50, std::end(cpu.memoire), 0), TAILLEMEMOIRE - 0x50);
    EXPECT_EQ(cpu.V[0], 0);
    EXPECT_EQ(cpu.I, 0);
    EXPECT_EQ(cpu.programCounter, 0x200);
}

TEST_F(CpuTest, FetchAndDecode)
{
    // High byte first; past 0xFFF the fetch wraps to the font's first bytes, F0 90.
    cpu.memoire[0x200] = 0x12;
    cpu.memoire[0x201] = 0x34;
    cpu.memoire[0xFFF] = 0xAB;
    Mots lus;
    for (const int pc : {0x200, 0x0FFF, 0x1000, 0xFFFF}) {
        cpu.programCounter = static_cast<Uint16>(pc);
        lus.push_back(recupererOpcode());
    }
    EXPECT_EQ(lus, (Mots{0x1234, 0xABF0, 0xF090, 0xABF0}));
    // Every other test runs the rows that do match. 0NNN (row 0) never matches, and these
    // words match no row at all: 35 rows searched, none found.
    for (const int mot : {0x0000, 0x0123, 0x00E1, 0x0FFF, 0x5121, 0x8008, 0x8009, 0x800A, 0x800B,
                          0x800C, 0x800D, 0x800F, 0x9AB1, 0xE09F, 0xF10B, 0xF166, 0xFFFF}) {
        EXPECT_EQ(recupererAction(static_cast<Uint16>(mot)), 35) << std::hex << mot;
    }
    EXPECT_EQ(recupererAction(0x1FFF), 3);
    EXPECT_EQ(recupererAction(0xDFFF), 23);
    EXPECT_EQ(recupererAction(0xE19E), 24);
}

TEST_F(CpuTest, ArithmeticWritesTheFlagBeforeTheResult)
{
    // The word; V1, V2 and VF before it (and I = 0xFFF); then its result, VX (VF when X is F)
    // or I for an F word, and VF. Equal operands give VF = 1 to 8XY5 and 8XY7; the shifts move
    // VX whatever VY holds; 8XY0 to 8XY3 and 7XKK leave VF alone. With X = F (8F.., FF1E) the
    // result is computed from the freshly written flag; with Y = F (81F4) the flag is the
    // operand. FX1E flags a sum past 0xFFF; FX29 is not masked to a digit.
    const std::tuple<int, int, int, int, int, int> cas[] = {
        {0x8124, 0xFF, 0x01, 0x00, 0x00, 0x01},   {0x8124, 0x10, 0x20, 0x07, 0x30, 0x00},
        {0x8125, 0x10, 0x10, 0x00, 0x00, 0x01},   {0x8125, 0x05, 0x10, 0x01, 0xF5, 0x00},
        {0x8127, 0x05, 0x05, 0x00, 0x00, 0x01},   {0x8127, 0x10, 0x05, 0x01, 0xF5, 0x00},
        {0x810E, 0x81, 0x00, 0x00, 0x02, 0x01},   {0x8106, 0x81, 0x00, 0x00, 0x40, 0x01},
        {0x8126, 0x80, 0xFF, 0x09, 0x40, 0x00},   {0x71FF, 0x02, 0x00, 0x07, 0x01, 0x07},
        {0x8121, 0x0C, 0x0A, 0x07, 0x0E, 0x07},   {0x8122, 0x0C, 0x0A, 0x07, 0x08, 0x07},
        {0x8123, 0x0C, 0x0A, 0x07, 0x06, 0x07},   {0x8120, 0x0C, 0x0A, 0x07, 0x0A, 0x07},
        {0x8F14, 0x01, 0x00, 0x20, 0x01, 0x01},   {0x8F24, 0x00, 0x05, 0x20, 0x05, 0x05},
        {0x8F25, 0x00, 0x05, 0x20, 0xFC, 0xFC},   {0x8F27, 0x00, 0x05, 0x20, 0x05, 0x05},
        {0x8F06, 0x00, 0x00, 0x81, 0x00, 0x00},   {0x8F0E, 0x00, 0x00, 0x81, 0x02, 0x02},
        {0x81F4, 0xFF, 0x00, 0x01, 0x00, 0x01},   {0xF11E, 0x01, 0x00, 0x00, 0x1000, 0x01},
        {0xF11E, 0x00, 0x00, 0x01, 0x0FFF, 0x00}, {0xFF1E, 0x00, 0x00, 0x20, 0x1000, 0x01},
        {0xF129, 0x10, 0x00, 0x00, 0x0050, 0x00},
    };
    for (const auto& [mot, v1, v2, vf, resultat, drapeau] : cas) {
        SetUp();
        EXPECT_EQ(executer({0xAFFF, 0x6100 + v1, 0x6200 + v2, 0x6F00 + vf, mot}), 0x20A);
        EXPECT_EQ(mot >> 12 == 0xF ? cpu.I : cpu.V[mot >> 8 & 0xF], resultat) << std::hex << mot;
        EXPECT_EQ(cpu.V[0xF], drapeau) << std::hex << mot;
    }
}

TEST_F(CpuTest, SkipsJumpsCallsAndTheFifteenDeepStack)
{
    // After V1 = V2 = 5, V3 = 6, V4 = 0xFF (no key: never pressed), keys 5 and F held.
    const std::pair<int, bool> sauts[] = {
        {0x3105, true},  {0x3106, false}, {0x4105, false}, {0x4106, true}, {0x5120, true},
        {0x5130, false}, {0x9120, false}, {0x9130, true},  {0xE19E, true}, {0xE1A1, false},
        {0xE39E, false}, {0xE3A1, true},  {0xE49E, false}, {0xE4A1, true},
    };
    for (const auto& [mot, saute] : sauts) {
        SetUp();
        cpu.touche[5] = cpu.touche[15] = 1;
        EXPECT_EQ(executer({0x6105, 0x6205, 0x6306, 0x64FF, mot}), saute ? 0x20C : 0x20A)
            << std::hex << mot;
    }
    // One path through memory, each program run where the previous one left off.
    EXPECT_EQ(executer({0x1ABC}), 0xABC);
    EXPECT_EQ(executer({0x6010, 0xB300}), 0x310); // plus V0
    EXPECT_EQ(executer({0x1000}), 0x000);
    EXPECT_EQ(executer({0x2400}), 0x400);
    EXPECT_EQ(executer({0x00EE, 0x00EE}), 0x004); // back after the call, then an empty stack
    EXPECT_EQ(cpu.nombreSaut, 0);
    executer({0x1300});
    for (int i = 0; i < 16; i++) {
        executer({0x2002 + cpu.programCounter}); // each to the next word
    }
    EXPECT_EQ(cpu.nombreSaut, 15);
    // The sixteenth return was lost: back after the fifteenth call, at 0x31C.
    EXPECT_EQ(executer({0x00EE}), 0x31E);
    EXPECT_EQ(cpu.nombreSaut, 14);
}

TEST_F(CpuTest, RegisterMemoryAndTimerTransfers)
{
    executer({0xA300, 0x63FE, 0xF333});
    EXPECT_EQ(lire(cpu.memoire + 0x300, 3), (Octets{2, 5, 4}));
    executer({0x6307, 0xF333});
    EXPECT_EQ(lire(cpu.memoire + 0x300, 3), (Octets{0, 0, 7}));
    // V0 to VX inclusive, each way; I stays where it was.
    executer({0xA400, 0x6001, 0x6102, 0x6203, 0x6304, 0xF255, 0x6009, 0x6109, 0x6209, 0xF165});
    EXPECT_EQ(lire(cpu.memoire + 0x400, 4), (Octets{1, 2, 3, 0}));
    EXPECT_EQ(lire(cpu.V, 4), (Octets{1, 2, 9, 4}));
    EXPECT_EQ(cpu.I, 0x400);

    executer({0x6403, 0x6505, 0xF415, 0xF518, 0xF607});
    EXPECT_EQ(cpu.V[6], 3);
    for (int tic = 1; tic <= 6; tic++) { // each on its own, never below 0
        decompter();
        EXPECT_EQ(cpu.compteurCPU, std::max(3 - tic, 0));
        EXPECT_EQ(cpu.compteurSon, std::max(5 - tic, 0));
    }
}

TEST_F(CpuTest, RandomIsModuloKkPlusOne)
{
    std::set<int> zero, tout, cinq;
    for (int i = 0; i < 4000; i++) {
        executer({0xC100, 0xC2FF, 0xC305});
        zero.insert(cpu.V[1]);
        tout.insert(cpu.V[2]);
        cinq.insert(cpu.V[3]);
    }
    EXPECT_EQ(zero, std::set<int>{0});
    EXPECT_GT(tout.size(), 250u);                       // modulo 256, never modulo 0
    EXPECT_EQ(cinq, (std::set<int>{0, 1, 2, 3, 4, 5})); // 2 and 3 too: not masked with KK
}

TEST_F(CpuTest, SpritesWrapCollideAndClear)
{
    executer({0xA000, 0xD125}); // glyph 0 at (0, 0)
    EXPECT_EQ(allumees(), "0,0 0,1 0,2 0,3 0,4 1,0 1,4 2,0 2,4 3,0 3,1 3,2 3,3 3,4");
    EXPECT_EQ(cpu.V[0xF], 0);
    executer({0xD125});
    EXPECT_EQ(allumees(), "");
    EXPECT_EQ(cpu.V[0xF], 1);
    executer({0x60FF, 0xA300, 0xF055, 0x613E, 0x62C8, 0xD121}); // 0xFF at (62, 200)
    EXPECT_EQ(allumees(), "0,8 1,8 2,8 3,8 4,8 5,8 62,8 63,8");
    // Glyph 0 again, at (200, 30); then N = 0 draws nothing and clears VF.
    executer({0x00E0, 0xA000, 0x61C8, 0x621E, 0xD125, 0x6F01, 0xD120});
    EXPECT_EQ(allumees(), "8,0 8,1 8,2 8,30 8,31 9,2 9,30 10,2 10,30 11,0 11,1 11,2 11,30 11,31");
    EXPECT_EQ(cpu.V[0xF], 0);

    // VF is cleared first, then read again for every column (DF11) or row (D0F3): past the
    // collision at (0, 0) the rest of the sprite moves on by one.
    const std::pair<Mots, std::string> cas[] = {{{0xA000, 0x6F10, 0xDF11}, "2,0 3,0 4,0"},
                                                {{0xA03D, 0x6F10, 0xD0F3}, "0,2 0,3"}};
    for (const auto& [mots, attendu] : cas) {
        SetUp();
        pixel[0][0].color = 1;
        executer(mots);
        EXPECT_EQ(allumees(), attendu);
        EXPECT_EQ(cpu.V[0xF], 1);
    }
}

TEST_F(CpuTest, AddressesPastTheEndOfMemoryWrapAround)
{
    for (const int debut : {0x0FFF, 0xFFFF}) {
        SetUp();
        cpu.I = static_cast<Uint16>(debut);
        executer({0x607B, 0xF033, 0xD123}); // 1, 2, 3 at 0xFFF, 0x000, 0x001, drawn back
        EXPECT_EQ(allumees(), "6,1 6,2 7,0 7,2");
        executer({0x6333, 0x6FAF, 0xFF55, 0x6300, 0xFF65});
        EXPECT_EQ(cpu.memoire[0xFFF], 123);
        EXPECT_EQ(lire(cpu.memoire, 15),
                  (Octets{0, 0, 0x33, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAF}));
        EXPECT_EQ(cpu.V[3], 0x33);
        EXPECT_EQ(cpu.I, debut);
    }
}

TEST_F(CpuTest, KeyWaitEndsOnANewPressOfAMappedKeyOrOnQuit)
{
    cpu.touche[1] = cpu.touche[5] = 1; // held already: no new press
    pousser({{SDL_KEYUP, SDLK_KP7}, {SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_KP_EQUALS}});
    pousser({{SDL_KEYDOWN, SDLK_1}, {SDL_MOUSEMOTION}});
    pousser({{SDL_KEYDOWN, SDLK_KP1}, {SDL_KEYDOWN, SDLK_KP2}}); // keys 7 and 8
    EXPECT_EQ(executer({0xF30A}), 0x202);
    EXPECT_EQ(cpu.V[3], 7);
    EXPECT_EQ(tenues(), "157");          // the key-up of 1 (KP7) was swallowed, not applied
    ASSERT_EQ(SDL_PollEvent(&event), 1); // the next press is left for later
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP2);

    pousser({{SDL_KEYUP, SDLK_KP5}, {SDL_QUIT}, {SDL_KEYDOWN, SDLK_KP5}});
    EXPECT_EQ(executer({0xF30A}, 0), 0x204);
    EXPECT_EQ(cpu.V[3], 7);
    EXPECT_EQ(tenues(), "157");
}

// Any bytes as a program: run long enough to fetch past the end and wrap, with a key ready
// for every key wait. The sanitizer build catches any access outside the machine's arrays.
TEST_F(CpuTest, AnyBytesRunWithoutLeavingTheMachine)
{
    std::srand(12345);
    for (int essai = 0; essai < 20; essai++) {
        SetUp();
        for (Uint8& o : cpu.memoire) {
            o = static_cast<Uint8>(std::rand());
        }
        for (int i = 0; i < 20000; i++) {
            const Uint16 mot = recupererOpcode();
            if (recupererAction(mot) == 27) {
                pousser({{SDL_KEYDOWN, SDLK_KP0}});
            }
            interpreterOpcode(mot);
            decompter();
            ASSERT_LE(cpu.nombreSaut, 15);
        }
    }
}

} // namespace
} // namespace brivane
