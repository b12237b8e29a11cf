#pragma once
// SDL and sound start-up and shutdown, the keyboard reads, the final wait and the frame.

#include "bip.h"
#include "cpu.h"

namespace brivane {

constexpr int INSTRUCTIONSPARFRAME = 4;
constexpr Uint32 DUREEFRAME = 16; // ms slept after each frame

// What a frame does besides the machine's own work. brivane plays the beep, redraws its
// window and sleeps; a run without a window notes the beep and does neither.
struct Trame
{
    void (*biper)(); // the sound timer was set: start the beep
    Uint8 fenetre;   // 1: redraw the window, then sleep DUREEFRAME ms after the timers
    // When set, sees each instruction word before it runs, with the program counter at its
    // address; returning 0 ends the frame there, before the word runs.
    Uint8 (*avant)(Uint16 opcode);
};
constexpr Trame JEU = {jouerBip, 1, nullptr}; // brivane's frame

void quitSDL();
void initSDL();
Uint8 listen();
void pause();
// One pass of the frame loop: the keyboard, four instructions, the beep, the redraw, the
// timers and the sleep. Returns 0 when the loop is to end after it: a quit request was
// seen, or avant ended the frame.
Uint8 executerTrame(const Trame& trame);

} // namespace brivane
