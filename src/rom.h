#pragma once
// The ROM: opened, checked to be a regular file, and loaded at 0x200.

#include "cpu.h"

#include <cstddef>
#include <cstdio>

namespace brivane {

// Prints why a ROM could not be loaded, with the C library's text for erreur.
void signalerEchec(int erreur);
// Copies at most 3584 bytes of the ROM to 0x200. Returns 1 when it loaded (a short or
// empty file included), 0 after printing why it could not be read; anything but a regular
// file (a directory, FIFO, socket or device) is refused before it is read.
Uint8 chargerJeu(char* nomJeu);
extern size_t tailleJeu; // bytes that the last chargerJeu copied to 0x200

// chargerJeu's read, from the open ROM, for the tests: 1 when it loaded, 0 after printing why
// the read failed.
Uint8 lireJeu(std::FILE* jeu);

} // namespace brivane
