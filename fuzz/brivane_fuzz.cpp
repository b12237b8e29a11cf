// libFuzzer target: runs a ROM with scripted events through brivane's own frame, executerTrame,
// without window, sound or sleep. AddressSanitizer and UndefinedBehaviorSanitizer watch memory
// and arithmetic (a write past the machine's memory into another global, such as the decode
// table, is theirs to catch); they are its only checks. What each instruction does, the stack,
// timers, keys and screen included, is for the golden cases to say.
//
// Input, byte by byte (missing bytes read as 0):
//   0      the run lasts at most 1 + (this % 64) frames
//   1      n, the number of events
//   2...   n events of two bytes: the frames since the previous event (the first: since frame
//          0), then a code:
//            bits 7-6  0 key down, 1 key up, 2 quit request, 3 mouse motion
//            bits 4-0  the host key: 0-15 the keypad key of that value, 16-31 SDLK_KP_EQUALS
//                      and on (keypad =, arrows, Insert...), which the machine ignores
//   then   the ROM, loaded at 0x200 (at most 3584 bytes); the same bytes are also read as a
//          PATHROM.txt, where the byte-level parsing is (byte-order marks, UTF-16, line ends,
//          the 199-byte limit), and the path read must fit with its terminator.
// A run ends early at a quit request, or at a key wait that finds no event left.

#include "chemin.h"
#include "hote.h"
#include "script.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using namespace brivane;

constexpr Uint8 TYPES[4] = {SDL_KEYDOWN, SDL_KEYUP, SDL_QUIT, SDL_MOUSEMOTION};

EvenementPrevu evenements[255];

// The reader takes a file's name: the bytes go through a file of this process's own, in memory.
void lireCommePathrom(const uint8_t* octets, size_t taille)
{
    const int fd = memfd_create("PATHROM.txt", 0);
    if (fd < 0 || write(fd, octets, taille) != static_cast<ssize_t>(taille)) {
        std::abort(); // the reader would read no such bytes
    }
    char chemin[TAILLECHEMIN]; // AddressSanitizer sees a path that ends past it
    lireFichierChemin(chemin, ("/proc/self/fd/" + std::to_string(fd)).c_str());
    close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Uint32 trames = 1u + (size > 0 ? data[0] % 64u : 0u);
    const size_t n = std::min<size_t>(size > 1 ? data[1] : 0, size > 2 ? (size - 2) / 2 : 0);
    Uint32 trame = 0;
    for (size_t i = 0; i < n; i++) {
        const Uint8 code = data[3 + 2 * i];
        trame += data[2 + 2 * i];
        evenements[i] = {trame, TYPES[code >> 6],
                         (code & 0x1F) < 16 ? CLAVIER[code & 0xF]
                                            : static_cast<SDLKey>(SDLK_KP_EQUALS + (code & 0xF))};
    }
    const size_t debutRom = std::min(2 + 2 * n, size);
    const size_t taille = std::min<size_t>(size - debutRom, TAILLEMEMOIRE - ADRESSEDEBUT);

    std::srand(1); // the state of a generator never seeded, as in a fresh process
    initCpu();
    chargerFont();
    initPixel();
    std::memcpy(&cpu.memoire[ADRESSEDEBUT], data + debutRom, taille);
    lireCommePathrom(data + debutRom, taille);
    installerScript(evenements, n);
    for (Uint8 loop = 1; loop == 1 && script.trame < trames; script.trame++) {
        loop = executerTrame({[] {}, 0, nullptr}); // no beep, no window
    }
    return 0;
}
