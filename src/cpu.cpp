#include "cpu.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

namespace brivane {

CPU cpu;
JUMP jp;

namespace {

constexpr Uint8 FONT[] = {
    0xF0, 0x90, 0x90, 0x90, 0xF0, // 0
    0x20, 0x60, 0x20, 0x20, 0x70, // 1
    0xF0, 0x10, 0xF0, 0x80, 0xF0, // 2
    0xF0, 0x10, 0xF0, 0x10, 0xF0, // 3
    0x90, 0x90, 0xF0, 0x10, 0x10, // 4
    0xF0, 0x80, 0xF0, 0x10, 0xF0, // 5
    0xF0, 0x80, 0xF0, 0x90, 0xF0, // 6
    0xF0, 0x10, 0x20, 0x40, 0x40, // 7
    0xF0, 0x90, 0xF0, 0x90, 0xF0, // 8
    0xF0, 0x90, 0xF0, 0x10, 0xF0, // 9
    0xF0, 0x90, 0xF0, 0x90, 0x90, // A
    0xE0, 0x90, 0xE0, 0x90, 0xE0, // B
    0xF0, 0x80, 0x80, 0x80, 0xF0, // C
    0xE0, 0x90, 0x90, 0x90, 0xE0, // D
    0xF0, 0x80, 0xF0, 0x80, 0xF0, // E
    0xF0, 0x80, 0xF0, 0x80, 0x80, // F
};
static_assert(sizeof FONT == 80, "16 glyphs of 5 bytes");

// Mask and identifier of each decode row, in row order. Row 0 (0NNN) never matches.
struct Ligne
{
    Uint16 masque;
    Uint16 id;
};
constexpr Ligne TABLE[] = {
    {0x0000, 0x0FFF}, {0xFFFF, 0x00E0}, {0xFFFF, 0x00EE}, {0xF000, 0x1000}, {0xF000, 0x2000},
    {0xF000, 0x3000}, {0xF000, 0x4000}, {0xF00F, 0x5000}, {0xF000, 0x6000}, {0xF000, 0x7000},
    {0xF00F, 0x8000}, {0xF00F, 0x8001}, {0xF00F, 0x8002}, {0xF00F, 0x8003}, {0xF00F, 0x8004},
    {0xF00F, 0x8005}, {0xF00F, 0x8006}, {0xF00F, 0x8007}, {0xF00F, 0x800E}, {0xF00F, 0x9000},
    {0xF000, 0xA000}, {0xF000, 0xB000}, {0xF000, 0xC000}, {0xF000, 0xD000}, {0xF0FF, 0xE09E},
    {0xF0FF, 0xE0A1}, {0xF0FF, 0xF007}, {0xF0FF, 0xF00A}, {0xF0FF, 0xF015}, {0xF0FF, 0xF018},
    {0xF0FF, 0xF01E}, {0xF0FF, 0xF029}, {0xF0FF, 0xF033}, {0xF0FF, 0xF055}, {0xF0FF, 0xF065},
};
static_assert(std::size(TABLE) == NBROPCODE, "one line per action");
static_assert(TABLE[ACTIONFX0A].id == 0xF00A, "ACTIONFX0A names the FX0A row");

// What each decode row does, in words, for brivane-trace; the last line is for a word that no
// row matches. X, Y, N, NNN and KK stand for the word's fields.
constexpr const char* MOTS[] = {
    "nothing",                                 // 0NNN never matches
    "clear the screen",                        // 00E0
    "return",                                  // 00EE
    "jump to NNN",                             // 1NNN
    "call NNN",                                // 2NNN
    "skip if VX == KK",                        // 3XKK
    "skip if VX != KK",                        // 4XKK
    "skip if VX == VY",                        // 5XY0
    "VX = KK",                                 // 6XKK
    "VX += KK",                                // 7XKK
    "VX = VY",                                 // 8XY0
    "VX |= VY",                                // 8XY1
    "VX &= VY",                                // 8XY2
    "VX ^= VY",                                // 8XY3
    "VX += VY, VF = carry",                    // 8XY4
    "VX -= VY, VF = no borrow",                // 8XY5
    "VX >>= 1, VF = bit out",                  // 8XY6
    "VX = VY - VX, VF = no borrow",            // 8XY7
    "VX <<= 1, VF = bit out",                  // 8XYE
    "skip if VX != VY",                        // 9XY0
    "I = NNN",                                 // ANNN
    "jump to NNN + V0",                        // BNNN
    "VX = random 0 to KK",                     // CXKK
    "draw N rows at (VX, VY), VF = collision", // DXYN
    "skip if key VX is held",                  // EX9E
    "skip if key VX is not held",              // EXA1
    "VX = delay timer",                        // FX07
    "VX = next key pressed",                   // FX0A
    "delay timer = VX",                        // FX15
    "sound timer = VX",                        // FX18
    "I += VX, VF = past 0xFFF",                // FX1E
    "I = glyph of digit VX",                   // FX29
    "I, I+1, I+2 = decimal digits of VX",      // FX33
    "store V0 to VX at I",                     // FX55
    "load V0 to VX from I",                    // FX65
    "not an instruction: nothing",             // none
};
static_assert(std::size(MOTS) == NBROPCODE + 1, "one line per action, and one for none");

// Addresses past 0x0FFF wrap around, so nothing outside memoire is ever touched.
Uint8& octet(unsigned adresse) { return cpu.memoire[adresse & 0x0FFF]; }

// The low chiffres hex digits of valeur.
std::string hexadecimal(unsigned valeur, int chiffres)
{
    std::string texte;
    for (int i = chiffres - 1; i >= 0; i--) {
        texte += "0123456789ABCDEF"[(valeur >> (4 * i)) & 0xF];
    }
    return texte;
}

// Skips the next instruction: 2 more on top of the 2 added after every action.
void sauterSi(bool condition)
{
    if (condition) {
        cpu.programCounter = static_cast<Uint16>(cpu.programCounter + 2);
    }
}

} // namespace

void initCpu()
{
    for (Uint8& o : cpu.memoire) {
        o = 0;
    }
    for (int i = 0; i < 16; i++) {
        cpu.V[i] = 0;
        cpu.pile[i] = 0;
        cpu.touche[i] = 0;
    }
    cpu.programCounter = ADRESSEDEBUT;
    cpu.I = 0;
    cpu.nombreSaut = 0;
    cpu.compteurCPU = 0;
    cpu.compteurSon = 0;
    initialiserJump();
}

void chargerFont() { std::copy(std::begin(FONT), std::end(FONT), cpu.memoire); }

void decompter()
{
    if (cpu.compteurCPU != 0) {
        cpu.compteurCPU--;
    }
    if (cpu.compteurSon != 0) {
        cpu.compteurSon--;
    }
}

void initialiserJump()
{
    for (int a = 0; a < NBROPCODE; a++) {
        jp.masque[a] = TABLE[a].masque;
        jp.id[a] = TABLE[a].id;
    }
}

Uint16 recupererOpcode()
{
    return static_cast<Uint16>((octet(cpu.programCounter) << 8) + octet(cpu.programCounter + 1u));
}

Uint8 recupererAction(Uint16 opcode)
{
    Uint8 action = 0;
    while (action < NBROPCODE && (opcode & jp.masque[action]) != jp.id[action]) {
        action++;
    }
    return action;
}

std::string decrireOpcode(Uint16 opcode)
{
    // The fields in the order that keeps NNN from being read as N.
    const std::pair<const char*, std::string> champs[] = {
        {"NNN", "0x" + hexadecimal(opcode, 3)}, {"KK", "0x" + hexadecimal(opcode, 2)},
        {"X", hexadecimal(opcode >> 8, 1)},     {"Y", hexadecimal(opcode >> 4, 1)},
        {"N", std::to_string(opcode & 0x000F)},
    };
    std::string texte = MOTS[recupererAction(opcode)];
    for (const auto& [nom, valeur] : champs) {
        // The words hold none of these letters but as fields, and the values none at all.
        for (size_t p = texte.find(nom); p != std::string::npos; p = texte.find(nom)) {
            texte.replace(p, std::strlen(nom), valeur);
        }
    }
    return texte;
}

int indexTouche(SDLKey sym)
{
    for (int k = 0; k < 16; k++) {
        if (CLAVIER[k] == sym) {
            return k;
        }
    }
    return -1;
}

Uint8 attendAppui(Uint8 b3)
{
    for (;;) {
        // A failed wait counts as a quit request: waiting again could spin forever.
        if (attendreEvenement(&event) == 0 || event.type == SDL_QUIT) {
            return 0;
        }
        if (event.type == SDL_KEYDOWN) {
            const int k = indexTouche(event.key.keysym.sym);
            if (k >= 0) {
                cpu.V[b3] = static_cast<Uint8>(k);
                cpu.touche[k] = 1;
                return 1;
            }
        }
    }
}

void dessinerEcran(Uint8 b1, Uint8 b2, Uint8 b3)
{
    cpu.V[0xF] = 0;
    for (int k = 0; k < b1; k++) {
        const Uint8 codage = octet(cpu.I + static_cast<unsigned>(k));
        // V[b2] and V[b3] are read again for every row and column: when either is VF, a
        // collision moves the rest of the sprite.
        const int y = (cpu.V[b2] + k) % HAUTEUR;
        for (int j = 0, decalage = 7; j < 8; j++, decalage--) {
            const int x = (cpu.V[b3] + j) % LARGEUR;
            if (((codage >> decalage) & 1) != 0) {
                if (pixel[x][y].color == 1) {
                    pixel[x][y].color = 0;
                    cpu.V[0xF] = 1;
                }
                else {
                    pixel[x][y].color = 1;
                }
            }
        }
    }
}

Uint8 interpreterOpcode(Uint16 opcode)
{
    const Uint8 b4 = recupererAction(opcode);
    const Uint8 b3 = static_cast<Uint8>((opcode & 0x0F00) >> 8);
    const Uint8 b2 = static_cast<Uint8>((opcode & 0x00F0) >> 4);
    const Uint8 b1 = static_cast<Uint8>(opcode & 0x000F);
    const Uint16 nnn = static_cast<Uint16>(opcode & 0x0FFF);
    const Uint8 kk = static_cast<Uint8>(opcode & 0x00FF);
    Uint8& vx = cpu.V[b3];
    Uint8& vy = cpu.V[b2];
    Uint8& vf = cpu.V[0xF];
    Uint8 suite = 1;

    // In 8XY4 to 8XYE and FX1E the flag is written first and the result computed from the
    // registers as they then stand: with X or Y = F the flag takes part in the result.
    switch (b4) {
        case 1: // 00E0
            cleanScreen();
            break;
        case 2: // 00EE: a return on an empty stack does nothing
            if (cpu.nombreSaut > 0) {
                cpu.nombreSaut--;
                cpu.programCounter = cpu.pile[cpu.nombreSaut];
            }
            break;
        case 3: // 1NNN: store NNN - 2; the += 2 after every action lands on NNN
            cpu.programCounter = static_cast<Uint16>(nnn - 2);
            break;
        case 4: // 2NNN: the stack holds 15 returns; a 16th call overwrites slot 15
            cpu.pile[cpu.nombreSaut] = cpu.programCounter;
            if (cpu.nombreSaut <= 14) {
                cpu.nombreSaut++;
            }
            cpu.programCounter = static_cast<Uint16>(nnn - 2);
            break;
        case 5: // 3XKK
            sauterSi(vx == kk);
            break;
        case 6: // 4XKK
            sauterSi(vx != kk);
            break;
        case 7: // 5XY0
            sauterSi(vx == vy);
            break;
        case 8: // 6XKK
            vx = kk;
            break;
        case 9: // 7XKK: VF unchanged
            vx = static_cast<Uint8>(vx + kk);
            break;
        case 10: // 8XY0
            vx = vy;
            break;
        case 11: // 8XY1: VF unchanged
            vx = static_cast<Uint8>(vx | vy);
            break;
        case 12: // 8XY2: VF unchanged
            vx = static_cast<Uint8>(vx & vy);
            break;
        case 13: // 8XY3: VF unchanged
            vx = static_cast<Uint8>(vx ^ vy);
            break;
        case 14: // 8XY4
            vf = (vx + vy > 0xFF) ? 1 : 0;
            vx = static_cast<Uint8>(vx + vy);
            break;
        case 15: // 8XY5
            vf = (vx >= vy) ? 1 : 0;
            vx = static_cast<Uint8>(vx - vy);
            break;
        case 16: // 8XY6: shifts VX; Y is not used
            vf = vx & 1;
            vx = static_cast<Uint8>(vx >> 1);
            break;
        case 17: // 8XY7
            vf = (vy >= vx) ? 1 : 0;
            vx = static_cast<Uint8>(vy - vx);
            break;
        case 18: // 8XYE: shifts VX; Y is not used
            vf = static_cast<Uint8>(vx >> 7);
            vx = static_cast<Uint8>(vx << 1);
            break;
        case 19: // 9XY0
            sauterSi(vx != vy);
            break;
        case 20: // ANNN
            cpu.I = nnn;
            break;
        case 21: // BNNN: adds V0
            cpu.programCounter = static_cast<Uint16>(nnn + cpu.V[0] - 2);
            break;
        case 22: // CXKK: modulo KK + 1, not a mask; the generator is never seeded
            vx = static_cast<Uint8>(std::rand() % (kk + 1));
            break;
        case 23: // DXYN
            dessinerEcran(b1, b2, b3);
            break;
        case 24: // EX9E: a key value past 15 names no key, never pressed
            sauterSi(vx < 16 && cpu.touche[vx] == 1);
            break;
        case 25: // EXA1
            sauterSi(vx >= 16 || cpu.touche[vx] == 0);
            break;
        case 26: // FX07
            vx = cpu.compteurCPU;
            break;
        case 27: // FX0A
            suite = attendAppui(b3);
            break;
        case 28: // FX15
            cpu.compteurCPU = vx;
            break;
        case 29: // FX18
            cpu.compteurSon = vx;
            break;
        case 30: // FX1E
            vf = (cpu.I + vx > 0x0FFF) ? 1 : 0;
            cpu.I = static_cast<Uint16>(cpu.I + vx);
            break;
        case 31: // FX29: VX is not masked to a digit
            cpu.I = static_cast<Uint16>(vx * 5);
            break;
        case 32: // FX33: I unchanged
            octet(cpu.I) = static_cast<Uint8>(vx / 100);
            octet(cpu.I + 1u) = static_cast<Uint8>((vx / 10) % 10);
            octet(cpu.I + 2u) = static_cast<Uint8>(vx % 10);
            break;
        case 33: // FX55: I unchanged
            for (unsigned i = 0; i <= b3; i++) {
                octet(cpu.I + i) = cpu.V[i];
            }
            break;
        case 34: // FX65: I unchanged
            for (unsigned i = 0; i <= b3; i++) {
                cpu.V[i] = octet(cpu.I + i);
            }
            break;
        default: // 0NNN never matches; unknown words do nothing
            break;
    }
    cpu.programCounter = static_cast<Uint16>(cpu.programCounter + 2);
    return suite;
}

} // namespace brivane
