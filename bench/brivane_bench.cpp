// The interpreter's hot paths under SDL's dummy drivers: instructions of the busy ROM
// (bench/busy.lst), decoding, one sprite, one redraw and one whole frame without its sleep.

#include "hote.h"
#include "rom.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace brivane {

namespace {

// SDL with its dummy drivers (whatever the environment says), the window and the beep, once;
// then a fresh machine with the busy ROM loaded, on a blank grid.
void machine()
{
    static const bool demarre = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        initSDL();
        initScreen();
        son = Mix_LoadWAV_RW(SDL_RWFromFile(BRIVANE_BEEP, "rb"), 1);
        if (son == nullptr) {
            std::fprintf(stderr, "%s: %s\n", BRIVANE_BEEP, Mix_GetError());
        }
        return son != nullptr;
    }();
    initPixel();
    initCpu();
    chargerFont();
    std::string rom = BRIVANE_BUSY_ROM;
    if (!demarre || chargerJeu(rom.data()) == 0) {
        std::exit(EXIT_FAILURE);
    }
}

// interpreterOpcode(recupererOpcode()), one instruction of the busy ROM per iteration.
void BM_Instruction(benchmark::State& state)
{
    machine();
    for (auto _ : state) {
        benchmark::DoNotOptimize(interpreterOpcode(recupererOpcode()));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Instruction);

// The linear scan of the decode table over all 65536 words, unknown ones included.
void BM_DecodeEveryWord(benchmark::State& state)
{
    machine();
    for (auto _ : state) {
        for (unsigned mot = 0; mot <= 0xFFFF; mot++) {
            benchmark::DoNotOptimize(recupererAction(static_cast<Uint16>(mot)));
        }
    }
    state.SetItemsProcessed(state.iterations() * 0x10000);
}
BENCHMARK(BM_DecodeEveryWord);

// A 15-row sprite at (60, 25), wrapping past the right and bottom edges. Every bit is lit, so
// all 120 cells flip: the heaviest DXYN.
void BM_Sprite15RowsWrapping(benchmark::State& state)
{
    machine();
    for (Uint8 k = 0; k < 15; k++) {
        cpu.memoire[0x300 + k] = 0xFF;
    }
    cpu.I = 0x300;
    cpu.V[1] = 60; // X
    cpu.V[2] = 25; // Y
    for (auto _ : state) {
        dessinerEcran(15, 2, 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Sprite15RowsWrapping);

// The full redraw: 2048 blits and one flip.
void BM_UpdateScreen(benchmark::State& state)
{
    machine();
    for (auto _ : state) {
        updateScreen();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpdateScreen);

// One frame of the busy ROM with no event queued, as brivane runs it but for the 16 ms sleep:
// the frame without its window, then the redraw.
void BM_Frame(benchmark::State& state)
{
    machine();
    const Trame sansFenetre = {jouerBip, 0, nullptr};
    for (auto _ : state) {
        benchmark::DoNotOptimize(executerTrame(sansFenetre));
        updateScreen();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Frame);

} // namespace
} // namespace brivane
