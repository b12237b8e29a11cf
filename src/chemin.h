#pragma once
// The ROM's path: typed at the prompt, or read from the first line of PATHROM.txt.

#include "SDL.h"

#include <cstdio>

namespace brivane {

constexpr int TAILLECHEMIN = 200; // the ROM path and its terminator

// Reads one line into filePath. Returns 0 when the line does not fit: a cut path could
// name another file.
Uint8 lireChemin(char (&filePath)[TAILLECHEMIN], std::FILE* source);
// Reads the first line of a text file into filePath, as lireChemin does; a missing or empty
// file gives an empty path. Takes the file as Windows editors save it: with a CR before the
// line end, after a UTF-8 byte-order mark, or in UTF-16 LE after its byte-order mark.
Uint8 lireFichierChemin(char (&filePath)[TAILLECHEMIN], const char* nomFichier);
// The ROM path: typed at a prompt on Linux, the first line of PATHROM.txt on Windows.
Uint8 obtenirChemin(char (&filePath)[TAILLECHEMIN]);

} // namespace brivane
