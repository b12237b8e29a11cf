// libFuzzer target: each input is a script of input events and a ROM, run for up to 64 frames
// through the program's own steps, as the frame loop of main.cpp does them (without its
// 16 ms sleep), with the machine's invariants checked after every frame.
//
// Input: byte 0 is n, the number of events (at most 64), then n events of two bytes each, and
// the rest is the ROM, loaded at 0x200 (at most 3584 bytes). An input too short for n events
// has as many as its bytes hold, and an empty ROM.
// An event is a byte whose value modulo 64 is the frame it comes in, then a code:
//   bits 7-6  0 key down, 1 key up, 2 quit request, 3 mouse motion
//   bit 5     0: queued before the frame reads the keyboard. 1: queued just after, so an FX0A
//             wait in that frame takes it first, else the next frame reads it.
//   bits 4-0  the host key, SDLK_KP0 + value: 0-15 are the sixteen keys of the numeric keypad,
//             16-31 the keys after them (keypad =, arrows, F1...), which the machine ignores.
// Events of the same frame and timing are queued in input order.

#include "hote.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace brivane;

constexpr int TRAMES = 64;           // a frame costs 2048 blits: more would slow fuzzing down
constexpr size_t MAXEVENEMENTS = 64; // with the sentinel, well within SDL's 127-event queue
constexpr size_t TAILLEROM = TAILLEMEMOIRE - ADRESSEDEBUT;
constexpr Uint8 APRES = 0x20; // the timing bit

void exiger(bool vrai, const char* quoi)
{
    if (!vrai) {
        std::fprintf(stderr, "brivane_fuzz: check failed: %s\n", quoi);
        std::abort();
    }
}

void pousser(SDL_Event e) { exiger(SDL_PushEvent(&e) == 0, "SDL_PushEvent succeeds"); }

void pousserQuit()
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    pousser(e);
}

// Queues the events of this frame with this timing, in input order.
void pousserTrame(const Uint8* script, size_t n, int trame, Uint8 moment)
{
    constexpr Uint8 TYPES[4] = {SDL_KEYDOWN, SDL_KEYUP, SDL_QUIT, SDL_MOUSEMOTION};
    for (size_t i = 0; i < n; i++) {
        const Uint8 code = script[2 * i + 1];
        if (script[2 * i] % TRAMES == trame && (code & APRES) == moment) {
            SDL_Event e{};
            e.key.type = TYPES[code >> 6];
            e.key.keysym.sym = static_cast<SDLKey>(SDLK_KP0 + (code & 0x1F));
            pousser(e);
        }
    }
}

// The quit queued last in every frame ends any FX0A wait that has no key left to take. When
// no wait took it, it comes back off the queue, and whatever was queued before it stays.
void retirerSentinelle()
{
    SDL_Event file[MAXEVENEMENTS + 1];
    const int n = SDL_PeepEvents(file, MAXEVENEMENTS + 1, SDL_GETEVENT, SDL_ALLEVENTS);
    exiger(n >= 1 && file[n - 1].type == SDL_QUIT, "the sentinel quit ends the queue");
    for (int i = 0; i < n - 1; i++) {
        pousser(file[i]);
    }
}

// Left out of coverage: its comparisons always hold and would only slow the fuzzer down.
__attribute__((no_sanitize("coverage"))) void verifierMachine()
{
    exiger(cpu.nombreSaut <= 15, "the stack holds at most 15 returns");
    for (const Uint8 t : cpu.touche) {
        exiger(t <= 1, "a key is held (1) or not (0)");
    }
    exiger(screen->w == LARGEUR_FENETRE && screen->h == HAUTEUR_FENETRE, "the window is 512x256");
    for (int x = 0; x < LARGEUR; x++) {
        for (int y = 0; y < HAUTEUR; y++) {
            const PIXEL& p = pixel[x][y];
            exiger(p.color <= 1, "a cell is off (0) or on (1)");
            exiger(p.position.x == x * DIMPIXEL && p.position.y == y * DIMPIXEL &&
                       p.position.w == 0 && p.position.h == 0,
                   "a cell stays where initPixel put it");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        std::exit(EXIT_FAILURE);
    }
    initScreen();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    size_t n = data[0] < MAXEVENEMENTS ? data[0] : MAXEVENEMENTS;
    if (2 * n > size - 1) {
        n = (size - 1) / 2;
    }
    const Uint8* script = data + 1;
    const Uint8* rom = script + 2 * n;
    const size_t taille = size - 1 - 2 * n;

    std::srand(1); // the state of a generator never seeded, as in a fresh process
    initCpu();
    chargerFont();
    initPixel();
    std::memcpy(&cpu.memoire[ADRESSEDEBUT], rom, taille < TAILLEROM ? taille : TAILLEROM);
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
    }

    for (int trame = 0; trame < TRAMES; trame++) {
        pousserTrame(script, n, trame, 0);
        Uint8 loop = listen();
        pousserTrame(script, n, trame, APRES);
        pousserQuit();
        for (int i = 0; i < 4; i++) { // 4 instructions a frame
            if (interpreterOpcode(recupererOpcode()) == 0) {
                loop = 0;
                pousserQuit(); // the wait took a quit: a later FX0A needs another
            }
        }
        if (cpu.compteurSon != 0) { // the beep itself is not played
            cpu.compteurSon = 0;
        }
        updateScreen();
        decompter();
        verifierMachine();
        if (loop == 0) {
            break; // the rest of the queue is dropped before the next input
        }
        retirerSentinelle();
    }
    return 0;
}
