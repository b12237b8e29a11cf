#include "cpu.h"
#include "evenements.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>

namespace brivane {
namespace {

struct CpuTest : ::testing::Test
{
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        initPixel();
        initCpu();
        chargerFont();
        viderEvenements();
    }

    // Writes the words at the program counter, high byte first, then executes them in turn.
    static void executer(std::initializer_list<Uint16> mots)
    {
        Uint16 adresse = cpu.programCounter;
        for (const Uint16 mot : mots) {
            cpu.memoire[adresse & 0xFFF] = static_cast<Uint8>(mot >> 8);
            cpu.memoire[(adresse + 1) & 0xFFF] = static_cast<Uint8>(mot & 0xFF);
            adresse = static_cast<Uint16>(adresse + 2);
        }
        for (size_t i = 0; i < mots.size(); i++) {
            EXPECT_EQ(interpreterOpcode(recupererOpcode()), 1);
        }
    }

    static int allumees()
    {
        int n = 0;
        for (auto& colonne : pixel) {
            for (const PIXEL& p : colonne) {
                n += p.color;
            }
        }
        return n;
    }
};

TEST_F(CpuTest, ResetLeavesOnlyFontAndProgramCounter)
{
    cpu.V[3] = 9;
    cpu.memoire[0xFFF] = 1;
    initCpu();
    chargerFont();
    const Uint8 zero[] = {0xF0, 0x90, 0x90, 0x90, 0xF0};
    const Uint8 f[] = {0xF0, 0x80, 0xF0, 0x80, 0x80};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(cpu.memoire[i], zero[i]);
        EXPECT_EQ(cpu.memoire[0x4B + i], f[i]);
    }
    for (int a = 0x50; a < TAILLEMEMOIRE; a++) {
        ASSERT_EQ(cpu.memoire[a], 0) << a;
    }
    EXPECT_EQ(cpu.V[3], 0);
    EXPECT_EQ(cpu.programCounter, 0x200);
}

TEST_F(CpuTest, DecodingFollowsTheTableAndRowZeroNeverMatches)
{
    const std::pair<Uint16, Uint8> cas[] = {
        {0x00E0, 1},  {0x00EE, 2},  {0x0000, 35}, {0x0123, 35}, {0x00E1, 35}, {0x0FFF, 35},
        {0x1FFF, 3},  {0x2ABC, 4},  {0x3123, 5},  {0x4123, 6},  {0x5120, 7},  {0x5121, 35},
        {0x6123, 8},  {0x7123, 9},  {0x8120, 10}, {0x8127, 17}, {0x800E, 18}, {0x8008, 35},
        {0x800D, 35}, {0x800F, 35}, {0x9AB0, 19}, {0x9AB1, 35}, {0xA123, 20}, {0xB123, 21},
        {0xC123, 22}, {0xDFFF, 23}, {0xE19E, 24}, {0xEFA1, 25}, {0xE09F, 35}, {0xF107, 26},
        {0xF10A, 27}, {0xF10B, 35}, {0xF115, 28}, {0xF118, 29}, {0xF11E, 30}, {0xF129, 31},
        {0xF133, 32}, {0xF155, 33}, {0xF165, 34}, {0xF166, 35}, {0xFFFF, 35},
    };
    for (const auto& [mot, action] : cas) {
        EXPECT_EQ(recupererAction(mot), action) << std::hex << mot;
    }
    for (Uint8 n = 0; n <= 7; n++) {
        EXPECT_EQ(recupererAction(static_cast<Uint16>(0x8AB0 + n)), 10 + n);
    }
}

TEST_F(CpuTest, FetchReadsHighByteFirstAndWrapsPastTheEndOfMemory)
{
    cpu.memoire[0x200] = 0x12;
    cpu.memoire[0x201] = 0x34;
    EXPECT_EQ(recupererOpcode(), 0x1234);
    cpu.memoire[0xFFF] = 0xAB;
    cpu.memoire[0x000] = 0xCD;
    cpu.programCounter = 0x0FFF;
    EXPECT_EQ(recupererOpcode(), 0xABCD);
    cpu.programCounter = 0x1000;
    EXPECT_EQ(recupererOpcode(), 0xCD90); // 0x000 and 0x001, the start of the font
    cpu.programCounter = 0xFFFF;
    EXPECT_EQ(recupererOpcode(), 0xABCD);
}

TEST_F(CpuTest, ArithmeticWritesTheFlagBeforeTheResult)
{
    struct Cas
    {
        Uint16 mot;
        Uint8 v1, v2, vf;        // V1, V2 and VF before
        Uint8 resultat, drapeau; // V1 (or VF when X is F) and VF after
    };
    const Cas cas[] = {
        {0x8124, 0xFF, 0x01, 0, 0x00, 1},
        {0x8124, 0x10, 0x20, 7, 0x30, 0},
        {0x8125, 0x10, 0x10, 0, 0x00, 1},
        {0x8125, 0x05, 0x10, 1, 0xF5, 0},
        {0x8127, 0x05, 0x05, 0, 0x00, 1},
        {0x8127, 0x10, 0x05, 1, 0xF5, 0},
        {0x810E, 0x81, 0x00, 0, 0x02, 1},
        {0x8106, 0x81, 0x00, 0, 0x40, 1},
        {0x8106, 0x80, 0xFF, 9, 0x40, 0},
        {0x8121, 0x0C, 0x0A, 7, 0x0E, 7},
        {0x8122, 0x0C, 0x0A, 7, 0x08, 7},
        {0x8123, 0x0C, 0x0A, 7, 0x06, 7},
        {0x8120, 0x0C, 0x0A, 7, 0x0A, 7},
        {0x71FF, 0x02, 0x00, 7, 0x01, 7},
        // X = F: the result is computed from the freshly written flag.
        {0x8F14, 0x01, 0x00, 0x20, 0x01, 0x01},
        {0x8F24, 0x00, 0x05, 0x20, 0x05, 0x05},
        {0x8F25, 0x00, 0x05, 0x20, 0xFC, 0xFC},
        {0x8F27, 0x00, 0x05, 0x20, 0x05, 0x05},
        {0x8F06, 0x00, 0x00, 0x81, 0x00, 0x00},
        {0x8F0E, 0x00, 0x00, 0x81, 0x02, 0x02},
        // Y = F: the flag is the operand.
        {0x81F4, 0xFF, 0x00, 0x01, 0x00, 1},
    };
    for (const Cas& c : cas) {
        SetUp();
        cpu.V[1] = c.v1;
        cpu.V[2] = c.v2;
        cpu.V[0xF] = c.vf;
        executer({c.mot});
        const Uint8 x = static_cast<Uint8>((c.mot >> 8) & 0xF);
        EXPECT_EQ(cpu.V[x], c.resultat) << std::hex << c.mot;
        EXPECT_EQ(cpu.V[0xF], c.drapeau) << std::hex << c.mot;
        EXPECT_EQ(cpu.programCounter, 0x202);
    }
}

TEST_F(CpuTest, SkipsAddTwoOnTopOfTheUsualTwo)
{
    cpu.V[1] = 0x42;
    cpu.V[2] = 0x42;
    const std::pair<Uint16, Uint16> cas[] = {
        {0x3142, 0x204}, {0x3143, 0x202}, {0x4142, 0x202}, {0x4143, 0x204},
        {0x5120, 0x204}, {0x5130, 0x202}, {0x9120, 0x202}, {0x9130, 0x204},
    };
    for (const auto& [mot, suivant] : cas) {
        cpu.programCounter = 0x200;
        executer({mot});
        EXPECT_EQ(cpu.programCounter, suivant) << std::hex << mot;
    }
}

TEST_F(CpuTest, JumpsCallsAndTheFifteenDeepStack)
{
    executer({0x1ABC});
    EXPECT_EQ(cpu.programCounter, 0xABC);
    cpu.V[0] = 0x10;
    executer({0xB300});
    EXPECT_EQ(cpu.programCounter, 0x310);
    executer({0x1000});
    EXPECT_EQ(cpu.programCounter, 0x000);

    cpu.programCounter = 0x200;
    executer({0x2400});
    EXPECT_EQ(cpu.programCounter, 0x400);
    EXPECT_EQ(cpu.nombreSaut, 1);
    executer({0x00EE});
    EXPECT_EQ(cpu.programCounter, 0x202);
    EXPECT_EQ(cpu.nombreSaut, 0);
    executer({0x00EE}); // empty stack: only moves on
    EXPECT_EQ(cpu.programCounter, 0x204);

    // Sixteen nested calls, each from the address it targets: the sixteenth return is lost.
    for (Uint16 i = 0; i < 16; i++) {
        cpu.programCounter = static_cast<Uint16>(0x300 + 2 * i);
        executer({static_cast<Uint16>(0x2000 | (0x302 + 2 * i))});
    }
    EXPECT_EQ(cpu.nombreSaut, 15);
    EXPECT_EQ(cpu.pile[15], 0x31E);
    executer({0x00EE});
    EXPECT_EQ(cpu.programCounter, 0x31E); // after the fifteenth call, at 0x31C
    EXPECT_EQ(cpu.nombreSaut, 14);
}

TEST_F(CpuTest, RegisterMemoryAndTimerTransfers)
{
    cpu.V[3] = 254;
    cpu.I = 0x300;
    executer({0xF333});
    EXPECT_EQ(cpu.memoire[0x300], 2);
    EXPECT_EQ(cpu.memoire[0x301], 5);
    EXPECT_EQ(cpu.memoire[0x302], 4);
    cpu.V[3] = 7;
    executer({0xF333});
    EXPECT_EQ(cpu.memoire[0x300] * 100 + cpu.memoire[0x301] * 10 + cpu.memoire[0x302], 7);
    EXPECT_EQ(cpu.I, 0x300);

    cpu.I = 0x400;
    cpu.V[0] = 1;
    cpu.V[1] = 2;
    cpu.V[2] = 3;
    cpu.V[3] = 4;
    executer({0xF255});
    EXPECT_EQ(cpu.memoire[0x402], 3);
    EXPECT_EQ(cpu.memoire[0x403], 0); // X is the last register copied
    EXPECT_EQ(cpu.I, 0x400);
    cpu.memoire[0x400] = 9;
    executer({0xF165});
    EXPECT_EQ(cpu.V[0], 9);
    EXPECT_EQ(cpu.V[2], 3);
    EXPECT_EQ(cpu.I, 0x400);

    cpu.V[5] = 0x10;
    executer({0xF529}); // not masked to a digit
    EXPECT_EQ(cpu.I, 0x50);

    cpu.I = 0x0FFF;
    cpu.V[0] = 1;
    executer({0xF01E});
    EXPECT_EQ(cpu.I, 0x1000);
    EXPECT_EQ(cpu.V[0xF], 1);
    cpu.I = 0x0FFE;
    executer({0xF01E});
    EXPECT_EQ(cpu.I, 0x0FFF);
    EXPECT_EQ(cpu.V[0xF], 0);
    cpu.I = 0x0FFF;
    cpu.V[0xF] = 0x20;
    executer({0xFF1E}); // the flag (1) is what gets added
    EXPECT_EQ(cpu.I, 0x1000);

    cpu.V[4] = 3;
    executer({0xF415, 0xF418});
    EXPECT_EQ(cpu.compteurCPU, 3);
    EXPECT_EQ(cpu.compteurSon, 3);
    cpu.compteurSon = 0;
    for (const int attendu : {2, 1, 0, 0}) {
        decompter();
        EXPECT_EQ(cpu.compteurCPU, attendu);
        EXPECT_EQ(cpu.compteurSon, 0); // ticks on its own, never below 0
    }
    cpu.compteurCPU = 0x42;
    executer({0xF607});
    EXPECT_EQ(cpu.V[6], 0x42);
}

TEST_F(CpuTest, RandomIsModuloKkPlusOne)
{
    bool vu[256] = {}, vuCinq[256] = {};
    for (int i = 0; i < 4000; i++) {
        cpu.programCounter = 0x200;
        executer({0xC100, 0xC2FF, 0xC305});
        ASSERT_EQ(cpu.V[1], 0);
        vu[cpu.V[2]] = true;
        vuCinq[cpu.V[3]] = true;
    }
    int distincts = 0;
    for (const bool v : vu) {
        distincts += v ? 1 : 0;
    }
    EXPECT_GT(distincts, 250); // modulo 256, never modulo 0
    for (int n = 0; n < 256; n++) {
        EXPECT_EQ(vuCinq[n], n <= 5) << n; // 2 and 3 too: not masked with KK
    }
}

TEST_F(CpuTest, SpritesWrapCollideAndClear)
{
    cpu.I = 0x000; // glyph 0
    executer({0xD125});
    EXPECT_EQ(cpu.V[0xF], 0);
    EXPECT_EQ(allumees(), 14);
    EXPECT_EQ(pixel[3][0].color, 1);
    EXPECT_EQ(pixel[1][1].color, 0);
    EXPECT_EQ(pixel[3][1].color, 1);
    executer({0xD125});
    EXPECT_EQ(cpu.V[0xF], 1);
    EXPECT_EQ(allumees(), 0);

    cpu.memoire[0x300] = 0xFF;
    cpu.I = 0x300;
    cpu.V[1] = 62;
    cpu.V[2] = 200; // row 200 % 32 = 8
    executer({0xD121});
    for (const int x : {62, 63, 0, 1, 2, 3, 4, 5}) {
        EXPECT_EQ(pixel[x][8].color, 1) << x;
    }
    EXPECT_EQ(allumees(), 8);
    executer({0x00E0});
    EXPECT_EQ(allumees(), 0);

    cpu.I = 0x000;
    cpu.V[1] = 200; // column 8
    cpu.V[2] = 30;
    executer({0xD125, 0xD120});
    EXPECT_EQ(pixel[8][30].color, 1);
    EXPECT_EQ(pixel[8][2].color, 1);
    EXPECT_EQ(pixel[9][3].color, 0);
    EXPECT_EQ(cpu.V[0xF], 0); // N = 0 draws nothing and clears the flag
    EXPECT_EQ(allumees(), 14);
}

TEST_F(CpuTest, SpritesPlacedByVfMoveAfterACollision)
{
    pixel[0][0].color = 1;
    cpu.memoire[0x300] = 0xFF;
    cpu.I = 0x300;
    cpu.V[0xF] = 0x20;
    cpu.V[1] = 0;
    executer({0xDF11});
    EXPECT_EQ(pixel[0][0].color, 0);
    EXPECT_EQ(pixel[1][0].color, 0);
    for (int x = 2; x <= 8; x++) {
        EXPECT_EQ(pixel[x][0].color, 1) << x;
    }
    EXPECT_EQ(cpu.V[0xF], 1);

    cleanScreen();
    pixel[0][0].color = 1;
    cpu.memoire[0x300] = 0x80;
    cpu.memoire[0x301] = 0x80;
    cpu.memoire[0x302] = 0x80;
    cpu.V[0xF] = 0x10;
    cpu.V[0] = 0;
    executer({0xD0F3});
    EXPECT_EQ(pixel[0][0].color, 0);
    EXPECT_EQ(pixel[0][2].color, 1);
    EXPECT_EQ(pixel[0][3].color, 1);
    EXPECT_EQ(allumees(), 2);
}

TEST_F(CpuTest, AddressesPastTheEndOfMemoryWrapAround)
{
    cpu.I = 0x0FFE;
    cpu.V[0] = 123;
    executer({0xF033});
    EXPECT_EQ(cpu.memoire[0xFFE], 1);
    EXPECT_EQ(cpu.memoire[0xFFF], 2);
    EXPECT_EQ(cpu.memoire[0x000], 3);

    cpu.I = 0xFFFF;
    for (Uint8 i = 0; i < 16; i++) {
        cpu.V[i] = static_cast<Uint8>(0xA0 + i);
    }
    executer({0xFF55});
    EXPECT_EQ(cpu.memoire[0xFFF], 0xA0);
    EXPECT_EQ(cpu.memoire[0x00E], 0xAF);
    cpu.V[3] = 0;
    executer({0xFF65});
    EXPECT_EQ(cpu.V[3], 0xA3);

    cpu.I = 0x0FFF;
    cpu.memoire[0xFFF] = 0x80;
    cpu.memoire[0x000] = 0x40;
    cpu.V[1] = 0;
    cpu.V[2] = 0;
    executer({0xD122});
    EXPECT_EQ(pixel[0][0].color, 1);
    EXPECT_EQ(pixel[1][1].color, 1);

    cpu.V[1] = 0xFF; // no such key: never pressed
    cpu.programCounter = 0x200;
    executer({0xE19E});
    EXPECT_EQ(cpu.programCounter, 0x202);
    executer({0xE1A1});
    EXPECT_EQ(cpu.programCounter, 0x206);
}

TEST_F(CpuTest, KeySkipsFollowTheHeldState)
{
    cpu.V[1] = 5;
    cpu.touche[5] = 1;
    executer({0xE19E});
    EXPECT_EQ(cpu.programCounter, 0x204);
    executer({0xE1A1});
    EXPECT_EQ(cpu.programCounter, 0x206);
    cpu.touche[5] = 0;
    executer({0xE19E, 0xE1A1});
    EXPECT_EQ(cpu.programCounter, 0x20C);
}

TEST_F(CpuTest, KeyWaitEndsOnlyOnANewPressOfAMappedKey)
{
    cpu.touche[5] = 1;
    pousser(SDL_KEYUP, SDLK_KP7);
    pousser(SDL_KEYDOWN, SDLK_a);
    pousser(SDL_KEYDOWN, SDLK_KP_EQUALS);
    pousser(SDL_KEYDOWN, SDLK_1);
    pousser(SDL_MOUSEMOTION);
    pousser(SDL_KEYDOWN, SDLK_KP1);
    pousser(SDL_KEYDOWN, SDLK_KP2);
    executer({0xF30A});
    EXPECT_EQ(cpu.V[3], 7);
    EXPECT_EQ(cpu.touche[7], 1);
    EXPECT_EQ(cpu.touche[1], 0); // its key-up was swallowed, not applied
    EXPECT_EQ(cpu.touche[5], 1);
    EXPECT_EQ(cpu.programCounter, 0x202);
    ASSERT_EQ(SDL_PollEvent(&event), 1); // the next press is left for later
    EXPECT_EQ(event.key.keysym.sym, SDLK_KP2);
}

TEST_F(CpuTest, QuitEndsTheKeyWaitAndChangesNothing)
{
    cpu.V[3] = 0x33;
    pousser(SDL_KEYUP, SDLK_KP5);
    pousser(SDL_QUIT);
    pousser(SDL_KEYDOWN, SDLK_KP5);
    cpu.memoire[0x200] = 0xF3;
    cpu.memoire[0x201] = 0x0A;
    EXPECT_EQ(interpreterOpcode(recupererOpcode()), 0);
    EXPECT_EQ(cpu.programCounter, 0x202);
    EXPECT_EQ(cpu.V[3], 0x33);
    for (const Uint8 t : cpu.touche) {
        EXPECT_EQ(t, 0);
    }
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
                pousser(SDL_KEYDOWN, SDLK_KP0);
            }
            interpreterOpcode(mot);
            decompter();
            ASSERT_LE(cpu.nombreSaut, 15);
        }
    }
}

} // namespace
} // namespace brivane
