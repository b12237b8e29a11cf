// brivane: asks for the ROM's path, starts SDL and the sound device, loads the ROM and runs it
// frame by frame until a quit request, then waits for a key.

#include "bip.h"
#include "chemin.h"
#include "hote.h"
#include "rom.h"

#include <cerrno>

int main([[maybe_unused]] int argc, [[maybe_unused]] char* argv[])
{
    char filePath[brivane::TAILLECHEMIN];

    const Uint8 cheminLu = brivane::obtenirChemin(filePath);

    brivane::initSDL();
    brivane::initScreen();
    brivane::initPixel();
    brivane::initCpu();
    brivane::chargerFont();

    Uint8 loop = 1;
    Uint8 demarrer = 0;

    brivane::chargerBip();
    if (cheminLu == 1) {
        demarrer = brivane::chargerJeu(filePath);
    }
    else {
        brivane::signalerEchec(ENAMETOOLONG);
    }

    if (demarrer == 1) {
        do {
            loop = brivane::executerTrame(brivane::JEU);
        } while (loop == 1);
    }

    brivane::pause();
    return 0;
}
