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

// The decode table, a row per action in action order: what identifies the instruction, its
// pattern, and what it does in words for brivane-trace, with X, Y, N, NNN and KK standing for
// the word's fields. Row 0 (0NNN) never matches.
struct Ligne
{
    Uint16 masque;
    Uint16 id;
    Action action;
    const char* motif; // hex digits where the mask takes the nibble, letters where it does not
    const char* mots;
};
constexpr Ligne TABLE[] = {
    {0x0000, 0x0FFF, A0NNN, "0NNN", "nothing"},
    {0xFFFF, 0x00E0, A00E0, "00E0", "clear the screen"},
    {0xFFFF, 0x00EE, A00EE, "00EE", "return"},
    {0xF000, 0x1000, A1NNN, "1NNN", "jump to NNN"},
    {0xF000, 0x2000, A2NNN, "2NNN", "call NNN"},
    {0xF000, 0x3000, A3XKK, "3XKK", "skip if VX == KK"},
    {0xF000, 0x4000, A4XKK, "4XKK", "skip if VX != KK"},
    {0xF00F, 0x5000, A5XY0, "5XY0", "skip if VX == VY"},
    {0xF000, 0x6000, A6XKK, "6XKK", "VX = KK"},
    {0xF000, 0x7000, A7XKK, "7XKK", "VX += KK"},
    {0xF00F, 0x8000, A8XY0, "8XY0", "VX = VY"},
    {0xF00F, 0x8001, A8XY1, "8XY1", "VX |= VY"},
    {0xF00F, 0x8002, A8XY2, "8XY2", "VX &= VY"},
    {0xF00F, 0x8003, A8XY3, "8XY3", "VX ^= VY"},
    {0xF00F, 0x8004, A8XY4, "8XY4", "VX += VY, VF = carry"},
    {0xF00F, 0x8005, A8XY5, "8XY5", "VX -= VY, VF = no borrow"},
    {0xF00F, 0x8006, A8XY6, "8XY6", "VX >>= 1, VF = bit out"},
    {0xF00F, 0x8007, A8XY7, "8XY7", "VX = VY - VX, VF = no borrow"},
    {0xF00F, 0x800E, A8XYE, "8XYE", "VX <<= 1, VF = bit out"},
    {0xF00F, 0x9000, A9XY0, "9XY0", "skip if VX != VY"},
    {0xF000, 0xA000, AANNN, "ANNN", "I = NNN"},
    {0xF000, 0xB000, ABNNN, "BNNN", "jump to NNN + V0"},
    {0xF000, 0xC000, ACXKK, "CXKK", "VX = random 0 to KK"},
    {0xF000, 0xD000, ADXYN, "DXYN", "draw N rows at (VX, VY), VF = collision"},
    {0xF0FF, 0xE09E, AEX9E, "EX9E", "skip if key VX is held"},
    {0xF0FF, 0xE0A1, AEXA1, "EXA1", "skip if key VX is not held"},
    {0xF0FF, 0xF007, AFX07, "FX07", "VX = delay timer"},
    {0xF0FF, 0xF00A, AFX0A, "FX0A", "VX = next key pressed"},
    {0xF0FF, 0xF015, AFX15, "FX15", "delay timer = VX"},
    {0xF0FF, 0xF018, AFX18, "FX18", "sound timer = VX"},
    {0xF0FF, 0xF01E, AFX1E, "FX1E", "I += VX, VF = past 0xFFF"},
    {0xF0FF, 0xF029, AFX29, "FX29", "I = glyph of digit VX"},
    {0xF0FF, 0xF033, AFX33, "FX33", "I, I+1, I+2 = decimal digits of VX"},
    {0xF0FF, 0xF055, AFX55, "FX55", "store V0 to VX at I"},
    {0xF0FF, 0xF065, AFX65, "FX65", "load V0 to VX from I"},
};
constexpr const char* RIEN = "not an instruction: nothing"; // the words of a word no row matches
static_assert(std::size(TABLE) == NBROPCODE, "one line per action");

// Whether each row stands at its action's number, and its mask and identifier say what its
// pattern says (0NNN aside, which is made never to match).
constexpr bool tableJuste()
{
    for (int a = 0; a < NBROPCODE; a++) {
        const Ligne& l = TABLE[a];
        for (int q = 0; q < 4 && a > 0; q++) {
            const char c = l.motif[q];
            const int chiffre = c <= '9' ? c - '0' : c <= 'F' ? c - 'A' + 10 : -1; // X, Y, N, K: -1
            const int decalage = 12 - 4 * q;
            if (((l.masque >> decalage) & 0xF) != (chiffre >= 0 ? 0xF : 0) ||
                ((l.id >> decalage) & 0xF) != (chiffre >= 0 ? chiffre : 0)) {
                return false;
            }
        }
        if (l.action != a) {
            return false;
        }
    }
    return true;
}
static_assert(tableJuste(), "each row in its place, its mask and identifier those of its pattern");

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
    const Uint8 action = recupererAction(opcode);
    std::string texte = action < NBROPCODE ? TABLE[action].mots : RIEN;
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

bool finitAttente(const SDL_Event& e)
{
    return e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && indexTouche(e.key.keysym.sym) >= 0);
}

Uint8 attendAppui(Uint8 b3)
{
    // A failed wait counts as a quit request: waiting again could spin forever.
    do {
        if (attendreEvenement(&event) == 0) {
            return 0;
        }
    } while (!finitAttente(event));
    if (event.type == SDL_QUIT) {
        return 0;
    }
    const int k = indexTouche(event.key.keysym.sym);
    cpu.V[b3] = static_cast<Uint8>(k);
    cpu.touche[k] = 1;
    return 1;
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
    switch (static_cast<Action>(b4)) {
        case A00E0:
            cleanScreen();
            break;
        case A00EE: // a return on an empty stack does nothing
            if (cpu.nombreSaut > 0) {
                cpu.nombreSaut--;
                cpu.programCounter = cpu.pile[cpu.nombreSaut];
            }
            break;
        case A1NNN: // store NNN - 2; the += 2 after every action lands on NNN
            cpu.programCounter = static_cast<Uint16>(nnn - 2);
            break;
        case A2NNN: // the stack holds 15 returns; a 16th call overwrites slot 15
            cpu.pile[cpu.nombreSaut] = cpu.programCounter;
            if (cpu.nombreSaut <= 14) {
                cpu.nombreSaut++;
            }
            cpu.programCounter = static_cast<Uint16>(nnn - 2);
            break;
        case A3XKK:
            sauterSi(vx == kk);
            break;
        case A4XKK:
            sauterSi(vx != kk);
            break;
        case A5XY0:
            sauterSi(vx == vy);
            break;
        case A6XKK:
            vx = kk;
            break;
        case A7XKK: // VF unchanged
            vx = static_cast<Uint8>(vx + kk);
            break;
        case A8XY0:
            vx = vy;
            break;
        case A8XY1: // VF unchanged
            vx = static_cast<Uint8>(vx | vy);
            break;
        case A8XY2: // VF unchanged
            vx = static_cast<Uint8>(vx & vy);
            break;
        case A8XY3: // VF unchanged
            vx = static_cast<Uint8>(vx ^ vy);
            break;
        case A8XY4:
            vf = (vx + vy > 0xFF) ? 1 : 0;
            vx = static_cast<Uint8>(vx + vy);
            break;
        case A8XY5:
            vf = (vx >= vy) ? 1 : 0;
            vx = static_cast<Uint8>(vx - vy);
            break;
        case A8XY6: // shifts VX; Y is not used
            vf = vx & 1;
            vx = static_cast<Uint8>(vx >> 1);
            break;
        case A8XY7:
            vf = (vy >= vx) ? 1 : 0;
            vx = static_cast<Uint8>(vy - vx);
            break;
        case A8XYE: // shifts VX; Y is not used
            vf = static_cast<Uint8>(vx >> 7);
            vx = static_cast<Uint8>(vx << 1);
            break;
        case A9XY0:
            sauterSi(vx != vy);
            break;
        case AANNN:
            cpu.I = nnn;
            break;
        case ABNNN: // adds V0
            cpu.programCounter = static_cast<Uint16>(nnn + cpu.V[0] - 2);
            break;
        case ACXKK: // modulo KK + 1, not a mask; the generator is never seeded
            vx = static_cast<Uint8>(std::rand() % (kk + 1));
            break;
        case ADXYN:
            dessinerEcran(b1, b2, b3);
            break;
        case AEX9E: // a key value past 15 names no key, never pressed
            sauterSi(vx < 16 && cpu.touche[vx] == 1);
            break;
        case AEXA1:
            sauterSi(vx >= 16 || cpu.touche[vx] == 0);
            break;
        case AFX07:
            vx = cpu.compteurCPU;
            break;
        case AFX0A:
            suite = attendAppui(b3);
            break;
        case AFX15:
            cpu.compteurCPU = vx;
            break;
        case AFX18:
            cpu.compteurSon = vx;
            break;
        case AFX1E:
            vf = (cpu.I + vx > 0x0FFF) ? 1 : 0;
            cpu.I = static_cast<Uint16>(cpu.I + vx);
            break;
        case AFX29: // VX is not masked to a digit
            cpu.I = static_cast<Uint16>(vx * 5);
            break;
        case AFX33: // I unchanged
            octet(cpu.I) = static_cast<Uint8>(vx / 100);
            octet(cpu.I + 1u) = static_cast<Uint8>((vx / 10) % 10);
            octet(cpu.I + 2u) = static_cast<Uint8>(vx % 10);
            break;
        case AFX55: // I unchanged
            for (unsigned i = 0; i <= b3; i++) {
                octet(cpu.I + i) = cpu.V[i];
            }
            break;
        case AFX65: // I unchanged
            for (unsigned i = 0; i <= b3; i++) {
                cpu.V[i] = octet(cpu.I + i);
            }
            break;
        case A0NNN:  // never matches
        case AUCUNE: // unknown words do nothing
            break;
    }
    cpu.programCounter = static_cast<Uint16>(cpu.programCounter + 2);
    return suite;
}

} // namespace brivane
