#pragma once
// The beep: looked for in the working directory, beside the program, then in its data folder.

#include "SDL_mixer.h"

namespace brivane {

extern Mix_Chunk* son;

// Loads son from sound/beep.wav in the working directory, else beside the program, else in
// the data folder installed with it; when none loads, says so in one line on stderr and son
// stays null (silence).
void chargerBip();
void jouerBip(); // beep.wav, whole, on channel 0, restarted if it still plays

} // namespace brivane
