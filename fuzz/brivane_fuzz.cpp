// libFuzzer target: each input is a ROM and a script of input events, run frame by frame through
// brivane's own frame function, executerTrame, without window, sound or sleep. The machine's
// invariants are checked after every instruction and every frame, and at the end of a run some
// properties that need no second machine to know the answer.
//
// Input, byte by byte (missing bytes read as 0):
//   0      the run lasts at most 1 + (this % 64) frames, 1 to 64
//   1      the sprite and sum checks' registers: X = high nibble % 15, Y = low nibble % 15
//          (never VF)
//   2      high nibble: the sprite check's rows N; low nibble: the FX33 and FX55/FX65 checks' X
//   3      n, the number of events
//   4...   n events of two bytes: the frames since the previous event (the first: since frame
//          0), then a code:
//            bits 7-6  0 key down, 1 key up, 2 quit request, 3 mouse motion
//            bits 4-0  the host key: 0-15 the one for that key of the machine's keypad (its
//                      keypad digits, . / * - + Enter), 16-31 the host keys SDLK_KP_EQUALS
//                      and on (keypad =, arrows, Insert...), which the machine ignores
//   then   the ROM, loaded at 0x200 (at most 3584 bytes).
// Events reach the program as brivane-trace feeds them: the keyboard read of frame F takes every
// pending event scheduled for frame F or earlier; an FX0A wait takes pending events in order,
// whatever their frame; a wait that finds none left fails, which ends it as a quit does. A run
// also ends after a frame that leaves the machine standing still, as every later frame would.
//
// After every instruction: at most 15 returns on the stack. After every frame: 4 instructions
// ran; the keys held are those the events taken so far say (so each 0 or 1); a quit or a failed
// wait was seen exactly when the frame says the run ends; a key taken by FX0A is in its
// register; the sound timer is 0 (the beep took it); the decode table is intact; and, when the
// frame drew or cleared, every cell is 0 or 1 at its own place. At the end of a run: the grid
// again; 8XY4 leaves VX + 256 VF equal to the sum, 8XY5 leaves VX - 256 (1 - VF) equal to the
// difference, FX33 writes three decimal digits that make VX; the same sprite drawn twice leaves
// the grid as it was, with VF after each draw 1 exactly when a lit cell was under a set bit of
// the sprite, and nothing else changed but the program counter; FX55 then FX65 at the same I
// gives the registers back, FX55 having written V0..VX at I.. (wrapping past 0xFFF) and nothing
// else; the machine outside memoire, V, pile, touche and the grid, that is the decode table, the
// cells' places, the window surface, the cell squares and the event sources, is what it was at
// start-up.
// Every 64th input (the first included, so a single input replayed gets both) is also run a
// second time to the same end, and redrawn, with the window's pixels checked against the grid:
// one redraw costs as much as a hundred short runs.

#include "hote.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace brivane;

constexpr size_t TAILLEROM = TAILLEMEMOIRE - ADRESSEDEBUT;
constexpr size_t ENTETE = 4;
constexpr unsigned ECHANTILLON = 64; // inputs per determinism check and redraw

void exiger(bool vrai, const char* quoi)
{
    if (!vrai) {
        std::fprintf(stderr, "brivane_fuzz: check failed: %s\n", quoi);
        std::abort();
    }
}

// The input being run.
const Uint8* evenements = nullptr; // 2 bytes per event
size_t nombreEvenements = 0;
size_t suivant = 0;    // the first event not yet taken
unsigned echeance = 0; // the frame of event suivant
unsigned trameCourante = 0;

// What the frame saw, for the checks after it.
Uint8 cleModele[16];        // the keys the events taken so far hold
bool quitVu = false;        // a quit was taken, or a wait failed
int attenteX = -1;          // the register of the FX0A that last took a key in this frame
int toucheAttente = -1;     // that key
bool grilleTouchee = false; // a DXYN or 00E0 ran
bool etatCache = false;     // a CXKK (the generator), FX33 or FX55 (memory) ran
unsigned bips = 0;
int instructions = 0; // run in this frame

// Takes event suivant as SDL would give it.
int prendre(SDL_Event* e, bool attente)
{
    constexpr Uint8 TYPES[4] = {SDL_KEYDOWN, SDL_KEYUP, SDL_QUIT, SDL_MOUSEMOTION};
    const Uint8 code = evenements[2 * suivant + 1];
    const int k = (code & 0x1F) < 16 ? code & 0xF : -1; // the machine's key, if any
    *e = SDL_Event{};
    e->type = TYPES[code >> 6];
    e->key.keysym.sym = k >= 0 ? CLAVIER[k] : static_cast<SDLKey>(SDLK_KP_EQUALS + (code & 0xF));
    if (e->type == SDL_QUIT) {
        quitVu = true;
    }
    else if (k >= 0 && e->type == SDL_KEYDOWN) {
        cleModele[k] = 1;
        if (attente) {
            toucheAttente = k;
        }
    }
    else if (k >= 0 && e->type == SDL_KEYUP && !attente) { // a wait swallows key releases
        cleModele[k] = 0;
    }
    if (++suivant < nombreEvenements) {
        echeance += evenements[2 * suivant];
    }
    return 1;
}

int sonder(SDL_Event* e)
{
    return suivant < nombreEvenements && echeance <= trameCourante ? prendre(e, false) : 0;
}

int attendre(SDL_Event* e)
{
    if (suivant < nombreEvenements) {
        return prendre(e, true);
    }
    quitVu = true; // a failed wait ends the run as a quit does
    return 0;
}

void noterBip() { bips++; }

// Before each instruction: the previous one's key wait, and the stack.
__attribute__((no_sanitize("coverage"))) void verifierAttente()
{
    if (attenteX >= 0 && toucheAttente >= 0) {
        exiger(cpu.V[attenteX] == toucheAttente, "FX0A puts the key pressed in VX");
    }
    attenteX = -1;
}

__attribute__((no_sanitize("coverage"))) Uint8 avant(Uint16 opcode)
{
    verifierAttente();
    exiger(cpu.nombreSaut <= 15, "the stack holds at most 15 returns");
    instructions++;
    if ((opcode & 0xF0FF) == 0xF00A) {
        attenteX = (opcode >> 8) & 0xF;
        toucheAttente = -1;
    }
    grilleTouchee = grilleTouchee || (opcode & 0xF000) == 0xD000 || opcode == 0x00E0;
    etatCache = etatCache || (opcode & 0xF000) == 0xC000 || (opcode & 0xF0FF) == 0xF033 ||
                (opcode & 0xF0FF) == 0xF055;
    return 1;
}

constexpr Trame FUZZ = {noterBip, 0, avant};

// The grid's bytes as initPixel leaves them (every cell off), and a mask of the colour bytes'
// high bits: a cell is 0 or 1 at its own place when its bytes differ from these only in the
// colour's low bit. Checked 16 bytes at a time, which makes a whole grid well under a microsecond.
using Mot = std::uint64_t __attribute__((vector_size(16)));
unsigned char grilleInitiale[sizeof pixel];
unsigned char hautsCouleurs[sizeof pixel];
static_assert(sizeof pixel % sizeof(Mot) == 0, "the grid is checked in words");

__attribute__((no_sanitize("address", "undefined", "coverage"))) bool grilleSaine()
{
    const auto* octets = reinterpret_cast<const unsigned char*>(pixel);
    Mot ecarts = {0, 0};
    for (size_t i = 0; i < sizeof pixel; i += sizeof(Mot)) {
        Mot g, ref, masque;
        std::memcpy(&g, octets + i, sizeof g);
        std::memcpy(&ref, grilleInitiale + i, sizeof ref);
        std::memcpy(&masque, hautsCouleurs + i, sizeof masque);
        ecarts |= (g ^ ref) & masque;
    }
    return (ecarts[0] | ecarts[1]) == 0;
}

JUMP tableInitiale;
SDL_Surface* ecranInitial = nullptr;
SDL_Surface* carresInitiaux[2] = {nullptr, nullptr};

__attribute__((no_sanitize("coverage"))) void verifierTrame(Uint8 loop)
{
    verifierAttente();
    exiger(cpu.nombreSaut <= 15, "the stack holds at most 15 returns");
    exiger(instructions == 4, "a frame runs 4 instructions"); // the machine's pace, not a setting
    instructions = 0;
    exiger(std::memcmp(cpu.touche, cleModele, sizeof cleModele) == 0,
           "the keys held are those the events say (each 0 or 1)");
    exiger((loop == 0) == quitVu, "the run ends after a frame exactly when it saw a quit");
    exiger(cpu.compteurSon == 0, "the beep takes the sound timer");
    exiger(std::memcmp(&jp, &tableInitiale, sizeof jp) == 0, "the decode table is intact");
    if (grilleTouchee) {
        exiger(grilleSaine(), "a cell is 0 or 1 and stays where initPixel put it");
        grilleTouchee = false;
    }
}

// Whether a set bit of the N-row sprite at I lands on a lit cell at (VX, VY).
__attribute__((no_sanitize("coverage"))) Uint8 collision(int x, int y, int n)
{
    for (int k = 0; k < n; k++) {
        const Uint8 ligne = cpu.memoire[(cpu.I + k) & 0x0FFF];
        for (int j = 0; j < 8; j++) {
            if (((ligne >> (7 - j)) & 1) != 0 &&
                pixel[(cpu.V[x] + j) % LARGEUR][(cpu.V[y] + k) % HAUTEUR].color == 1) {
                return 1;
            }
        }
    }
    return 0;
}

Uint8 couleurs[LARGEUR][HAUTEUR];

__attribute__((no_sanitize("address", "undefined", "coverage"))) void
lireCouleurs(Uint8 (&c)[LARGEUR][HAUTEUR])
{
    for (int x = 0; x < LARGEUR; x++) {
        for (int y = 0; y < HAUTEUR; y++) {
            c[x][y] = pixel[x][y].color;
        }
    }
}

CPU avantCheck;

// The same sprite twice at the same place: both draws XOR the same cells.
__attribute__((no_sanitize("coverage"))) void verifierSprite(Uint8 regs, Uint8 n)
{
    const int x = (regs >> 4) % 15;
    const int y = (regs & 0xF) % 15;
    const Uint16 dessin = static_cast<Uint16>(0xD000 | x << 8 | y << 4 | n);
    lireCouleurs(couleurs);
    avantCheck = cpu;
    const Uint8 premier = collision(x, y, n);
    interpreterOpcode(dessin);
    exiger(cpu.V[0xF] == premier, "VF after DXYN: 1 exactly when a set bit hit a lit cell");
    const Uint8 second = collision(x, y, n);
    interpreterOpcode(dessin);
    exiger(cpu.V[0xF] == second, "VF after DXYN: 1 exactly when a set bit hit a lit cell");
    exiger(grilleSaine(), "a cell is 0 or 1 and stays where initPixel put it");
    Uint8 apres[LARGEUR][HAUTEUR];
    lireCouleurs(apres);
    exiger(std::memcmp(apres, couleurs, sizeof apres) == 0, "a sprite drawn twice leaves no trace");
    exiger(cpu.programCounter == static_cast<Uint16>(avantCheck.programCounter + 4),
           "DXYN moves on by one instruction");
    cpu.V[0xF] = avantCheck.V[0xF];
    cpu.programCounter = avantCheck.programCounter;
    exiger(std::memcmp(&cpu, &avantCheck, sizeof cpu) == 0, "DXYN changes only VF and the grid");
}

// Sums, differences and decimal digits, checked by what they add up to; the machine is put back
// as it was after each.
__attribute__((no_sanitize("coverage"))) void verifierCalculs(Uint8 regs, Uint8 z)
{
    const unsigned x = (regs >> 4) % 15u;
    const unsigned y = (regs & 0xFu) % 15u;
    const unsigned vx = cpu.V[x], vy = cpu.V[y], vz = cpu.V[z];
    avantCheck = cpu;
    interpreterOpcode(static_cast<Uint16>(0x8004 | x << 8 | y << 4));
    exiger(cpu.V[0xF] <= 1 && cpu.V[x] + 256u * cpu.V[0xF] == vx + vy,
           "8XY4: VX + 256 VF is the sum");
    cpu = avantCheck;
    interpreterOpcode(static_cast<Uint16>(0x8005 | x << 8 | y << 4));
    exiger(cpu.V[0xF] <= 1 && cpu.V[x] + vy == vx + 256u * (1u - cpu.V[0xF]),
           "8XY5: VX - 256 (1 - VF) is the difference");
    cpu = avantCheck;
    interpreterOpcode(static_cast<Uint16>(0xF033 | z << 8));
    const Uint8 c = cpu.memoire[cpu.I & 0x0FFF];
    const Uint8 d = cpu.memoire[(cpu.I + 1) & 0x0FFF];
    const Uint8 u = cpu.memoire[(cpu.I + 2) & 0x0FFF];
    exiger(d <= 9 && u <= 9 && 100u * c + 10u * d + u == vz,
           "FX33 writes the decimal digits of VX at I, I+1, I+2");
    cpu = avantCheck;
}

// FX55 then FX65 at the same I.
__attribute__((no_sanitize("coverage"))) void verifierSauvegarde(Uint8 x)
{
    avantCheck = cpu;
    interpreterOpcode(static_cast<Uint16>(0xF055 | x << 8));
    CPU attendu = avantCheck;
    for (unsigned i = 0; i <= x; i++) {
        attendu.memoire[(avantCheck.I + i) & 0x0FFF] = avantCheck.V[i];
    }
    attendu.programCounter = static_cast<Uint16>(avantCheck.programCounter + 2);
    exiger(std::memcmp(&cpu, &attendu, sizeof cpu) == 0,
           "FX55 stores V0 to VX at I, wrapping past 0xFFF, and changes nothing else");
    for (unsigned i = 0; i <= x; i++) {
        cpu.V[i] = static_cast<Uint8>(~cpu.V[i]);
    }
    interpreterOpcode(static_cast<Uint16>(0xF065 | x << 8));
    attendu.programCounter = static_cast<Uint16>(attendu.programCounter + 2);
    exiger(std::memcmp(&cpu, &attendu, sizeof cpu) == 0,
           "FX65 at the same I gives V0 to VX back and changes nothing else");
}

// What the window shows: the top left and bottom right window pixels of every cell.
__attribute__((no_sanitize("coverage"))) void verifierEcran()
{
    updateScreen();
    exiger(screen == ecranInitial && screen->w == LARGEUR_FENETRE && screen->h == HAUTEUR_FENETRE &&
               screen->format->BytesPerPixel == 4,
           "the window stays 512x256, 32 bits a pixel");
    exiger(SDL_LockSurface(screen) == 0, "the window's surface locks");
    const Uint32 blanc = screen->format->Rmask | screen->format->Gmask | screen->format->Bmask;
    const auto* octets = static_cast<const Uint8*>(screen->pixels);
    for (int x = 0; x < LARGEUR; x++) {
        for (int y = 0; y < HAUTEUR; y++) {
            for (const int d : {0, DIMPIXEL - 1}) {
                Uint32 p;
                std::memcpy(
                    &p, octets + (y * DIMPIXEL + d) * screen->pitch + (x * DIMPIXEL + d) * 4, 4);
                exiger((p & blanc) == (pixel[x][y].color == 1 ? blanc : 0),
                       "the window shows each cell black when off, white when on");
            }
        }
    }
    SDL_UnlockSurface(screen);
}

// The machine's state past memoire, from V to touche, as a frame starts; copied and compared
// by hand, as the sanitizers' memcpy and memcmp would cost more than the frame.
constexpr size_t TAILLEREGISTRES = sizeof(CPU) - offsetof(CPU, V);
Uint8 registres[TAILLEREGISTRES];
static_assert(offsetof(CPU, V) == TAILLEMEMOIRE, "memoire comes first");

__attribute__((no_sanitize("address", "undefined", "coverage"))) void noterRegistres()
{
    const Uint8* source = cpu.V;
    for (size_t i = 0; i < TAILLEREGISTRES; i++) {
        registres[i] = source[i];
    }
}

__attribute__((no_sanitize("address", "undefined", "coverage"))) bool registresInchanges()
{
    const Uint8* source = cpu.V;
    Uint8 ecarts = 0;
    for (size_t i = 0; i < TAILLEREGISTRES; i++) {
        ecarts |= static_cast<Uint8>(registres[i] ^ source[i]);
    }
    return ecarts == 0;
}

struct Fin
{
    CPU machine;
    Uint8 grille[LARGEUR][HAUTEUR];
    unsigned trames, bips;
};

// One run of the input, from a fresh machine, with the checks after every frame.
void executer(const Uint8* data, size_t size, unsigned trames, Fin& fin)
{
    const size_t n = size > 3 ? data[3] : 0;
    nombreEvenements = size > ENTETE ? (size - ENTETE) / 2 : 0;
    nombreEvenements = n < nombreEvenements ? n : nombreEvenements;
    evenements = data + ENTETE;
    const size_t debutRom = ENTETE + 2 * nombreEvenements;
    const size_t taille = size > debutRom ? size - debutRom : 0;

    std::srand(1); // the state of a generator never seeded, as in a fresh process
    initCpu();
    chargerFont();
    initPixel();
    if (taille > 0) {
        std::memcpy(&cpu.memoire[ADRESSEDEBUT], data + debutRom,
                    taille < TAILLEROM ? taille : TAILLEROM);
    }
    suivant = 0;
    echeance = nombreEvenements > 0 ? evenements[0] : 0;
    std::memset(cleModele, 0, sizeof cleModele);
    attenteX = -1;
    grilleTouchee = true;
    bips = 0;

    unsigned t = 0;
    for (Uint8 loop = 1; loop == 1 && t < trames; t++) {
        trameCourante = t;
        quitVu = false;
        etatCache = false;
        noterRegistres();
        loop = executerTrame(FUZZ);
        // A frame that changed no register, drew nothing, wrote no memory and used no random
        // number, with no event left to come, is what every later frame would be: stop there.
        const bool fixe =
            !grilleTouchee && !etatCache && suivant == nombreEvenements && registresInchanges();
        verifierTrame(loop);
        if (fixe) {
            break;
        }
    }
    exiger(grilleSaine(), "a cell is 0 or 1 and stays where initPixel put it");
    fin.machine = cpu;
    lireCouleurs(fin.grille);
    fin.trames = t;
    fin.bips = bips;
}

unsigned entrees = 0;
Fin premiere, seconde;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        std::exit(EXIT_FAILURE);
    }
    initScreen();
    initPixel();
    initialiserJump();
    std::memcpy(grilleInitiale, pixel, sizeof pixel);
    for (size_t i = 0; i < sizeof pixel; i++) {
        hautsCouleurs[i] = i % sizeof(PIXEL) == offsetof(PIXEL, color) ? 0xFE : 0xFF;
    }
    tableInitiale = jp;
    ecranInitial = screen;
    carresInitiaux[0] = square[0];
    carresInitiaux[1] = square[1];
    sonderEvenement = sonder;
    attendreEvenement = attendre;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const unsigned trames = 1u + (size > 0 ? data[0] % 64u : 0u);
    executer(data, size, trames, premiere);
    if (entrees++ % ECHANTILLON == 0) {
        executer(data, size, trames, seconde);
        exiger(std::memcmp(&premiere, &seconde, sizeof premiere) == 0,
               "the same input twice ends in the same machine");
        verifierEcran();
    }
    verifierCalculs(size > 1 ? data[1] : 0, size > 2 ? data[2] & 0xF : 0);
    verifierSprite(size > 1 ? data[1] : 0, size > 2 ? data[2] >> 4 : 0);
    verifierSauvegarde(size > 2 ? data[2] & 0xF : 0);
    exiger(std::memcmp(&jp, &tableInitiale, sizeof jp) == 0 && grilleSaine() &&
               screen == ecranInitial && square[0] == carresInitiaux[0] &&
               square[1] == carresInitiaux[1] && sonderEvenement == sonder &&
               attendreEvenement == attendre,
           "nothing outside memoire, V, pile, touche and the grid changes");
    return 0;
}
