#pragma once
// The scripted events that stand in for SDL's queue in a run without a window.

#include "SDL.h"

#include <cstddef>

namespace brivane {

// An event of a script.
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
// Whether a key wait started now would end on an event of the script, rather than find none
// left.
bool attenteFinirait();

} // namespace brivane
