#pragma once
// The host shell that the programs share: SDL and sound start-up, the ROM path, ROM loading,
// the keyboard, the final wait and the frame.

#include "SDL_mixer.h"
#include "cpu.h"

#include <cstdio>

namespace brivane {

constexpr int TAILLECHEMIN = 200; // the ROM path and its terminator
constexpr int INSTRUCTIONSPARFRAME = 4;
constexpr Uint32 DUREEFRAME = 16; // ms slept after each frame

extern Mix_Chunk* son;

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

// Loads son from sound/beep.wav in the working directory, else from the beep installed with
// the program; when none loads, says so in one line on stderr and son stays null (silence).
void chargerBip();
void jouerBip(); // beep.wav, whole, on channel 0, restarted if it still plays
constexpr Trame JEU = {jouerBip, 1, nullptr}; // brivane's frame

void quitSDL();
void initSDL();
void signalerEchec(int erreur);
// Copies at most 3584 bytes of the ROM to 0x200. Returns 1 when it loaded (a short or
// empty file included), 0 after printing why it could not be read; anything but a regular
// file (a directory, FIFO, socket or device) is refused before it is opened.
Uint8 chargerJeu(char* nomJeu);
Uint8 listen();
void pause();
// Reads one line into filePath. Returns 0 when the line does not fit: a cut path could
// name another file.
Uint8 lireChemin(char (&filePath)[TAILLECHEMIN], std::FILE* source);
Uint8 lireFichierChemin(char (&filePath)[TAILLECHEMIN], const char* nomFichier);
Uint8 obtenirChemin(char (&filePath)[TAILLECHEMIN]);
// One pass of the frame loop: the keyboard, four instructions, the beep, the redraw, the
// timers and the sleep. Returns 0 when the loop is to end after it: a quit request was
// seen, or avant ended the frame.
Uint8 executerTrame(const Trame& trame);

} // namespace brivane
