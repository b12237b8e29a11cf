#pragma once
// The host shell that the programs share: SDL and sound start-up, the ROM path, ROM loading,
// the keyboard, the final wait and the frame.

#include "SDL_mixer.h"
#include "cpu.h"

#include <cstddef>
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
// file (a directory, FIFO, socket or device) is refused before it is read.
Uint8 chargerJeu(char* nomJeu);
// chargerJeu's read, from the open ROM: 1 when it loaded, 0 after printing why the read failed.
Uint8 lireJeu(std::FILE* jeu);
extern size_t tailleJeu; // bytes that the last lireJeu copied to 0x200
Uint8 listen();
void pause();
// Reads one line into filePath. Returns 0 when the line does not fit: a cut path could
// name another file.
Uint8 lireChemin(char (&filePath)[TAILLECHEMIN], std::FILE* source);
Uint8 lireFichierChemin(char (&filePath)[TAILLECHEMIN], const char* nomFichier);
Uint8 obtenirChemin(char (&filePath)[TAILLECHEMIN]);
// An event of a script that stands in for SDL's queue in a run without a window.
struct EvenementPrevu
{
    Uint32 trame;  // the frame whose keyboard read takes it
    Uint8 type;    // SDL_KEYDOWN, SDL_KEYUP, SDL_QUIT or any other SDL event type
    SDLKey touche; // the host key of a key event, on the keypad or not
};

// The script being fed. The keyboard read of frame trame takes every pending event scheduled
// for it or earlier, in list order; a key wait takes the next pending event at once, whatever
// its frame (no time passes while it waits), and fails when none is left.
struct Script
{
    const EvenementPrevu* evenements; // in frame order
    size_t nombre;
    size_t suivant; // the first event not yet taken
    Uint32 trame;   // the frame being run, which the caller moves on
};
extern Script script;
// Starts feeding sonderEvenement and attendreEvenement from nombre events, at frame 0.
void installerScript(const EvenementPrevu* evenements, size_t nombre);

// One pass of the frame loop: the keyboard, four instructions, the beep, the redraw, the
// timers and the sleep. Returns 0 when the loop is to end after it: a quit request was
// seen, or avant ended the frame.
Uint8 executerTrame(const Trame& trame);

} // namespace brivane
