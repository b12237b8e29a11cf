// brivane-trace: runs a ROM without a window, sound or sleep, through brivane's own frame, with
// scripted keys, then reports what it drew, when it beeped and where the machine stands.
//   brivane-trace [-n FRAMES] [-k EVENTS] [-t] ROM

#include "hote.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace brivane {
namespace {

constexpr Uint32 TRAMESMAX = 10000000;
constexpr const char* CHIFFRES = "0123456789ABCDEF"; // keypad values

std::vector<EvenementPrevu> prevus; // in frame order
bool tracer = false;
bool enAttente = false; // an FX0A found no key press and no quit left
std::vector<Uint32> bips;

void noterBip() { bips.push_back(script.trame); }

Uint8 avant(Uint16 opcode)
{
    if (tracer) {
        std::printf("%u %04X %04X  %s\n", script.trame, cpu.programCounter, opcode,
                    decrireOpcode(opcode).c_str());
    }
    if (recupererAction(opcode) == ACTIONFX0A) {
        enAttente =
            std::none_of(script.evenements + script.suivant, script.evenements + script.nombre,
                         [](const EvenementPrevu& ev) { return ev.type != SDL_KEYUP; });
    }
    return enAttente ? 0 : 1;
}

// A decimal number within [min, max] taking the whole of texte.
bool lireNombre(const std::string& texte, Uint32 min, Uint32 max, Uint32& nombre)
{
    if (texte.empty() || texte.size() > 8 ||
        texte.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    nombre = static_cast<Uint32>(std::stoul(texte));
    return nombre >= min && nombre <= max;
}

// "F:down:K", "F:up:K" or "F:quit"; a key as the host key that stands for it.
bool lireEvenement(const std::string& texte, EvenementPrevu& ev)
{
    const size_t a = texte.find(':');
    const size_t b = texte.find(':', a + 1);
    if (a == std::string::npos || !lireNombre(texte.substr(0, a), 0, TRAMESMAX - 1, ev.trame)) {
        return false;
    }
    const std::string genre = texte.substr(a + 1, b == std::string::npos ? b : b - a - 1);
    if (genre == "quit") {
        ev.type = SDL_QUIT;
        return b == std::string::npos;
    }
    const std::string touche = b == std::string::npos ? "" : texte.substr(b + 1);
    const char* chiffre =
        touche.size() == 1
            ? std::strchr(CHIFFRES, std::toupper(static_cast<unsigned char>(touche[0])))
            : nullptr;
    if ((genre != "down" && genre != "up") || chiffre == nullptr) {
        return false;
    }
    ev.type = genre == "down" ? SDL_KEYDOWN : SDL_KEYUP;
    ev.touche = CLAVIER[chiffre - CHIFFRES];
    return true;
}

bool lireScript(const std::string& texte)
{
    size_t debut = 0;
    for (;;) {
        const size_t fin = texte.find(',', debut);
        EvenementPrevu ev{};
        if (!lireEvenement(texte.substr(debut, fin == std::string::npos ? fin : fin - debut), ev)) {
            return false;
        }
        prevus.push_back(ev);
        if (fin == std::string::npos) {
            break;
        }
        debut = fin + 1;
    }
    std::stable_sort(
        prevus.begin(), prevus.end(),
        [](const EvenementPrevu& a, const EvenementPrevu& b) { return a.trame < b.trame; });
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: brivane-trace [-n FRAMES] [-k EVENTS] [-t] ROM\n"
                         "  -n FRAMES  frames to run at most, 1 to 10000000 (default 600)\n"
                         "  -k EVENTS  comma-separated F:down:K, F:up:K or F:quit, with F a frame\n"
                         "             number (0 is the first) and K a keypad key, 0 to F\n"
                         "  -t         print each instruction as it runs\n");
    return 2;
}

void rapporter(const char* fin)
{
    for (int y = 0; y < HAUTEUR; y++) {
        char ligne[LARGEUR + 1] = {};
        for (int x = 0; x < LARGEUR; x++) {
            ligne[x] = pixel[x][y].color != 0 ? '#' : '.';
        }
        std::puts(ligne);
    }
    std::printf("beeps:");
    for (const Uint32 trame : bips) {
        std::printf(" %u", trame);
    }
    std::printf("\nend: %s\nPC=%04X I=%04X SP=%X DT=%02X ST=%02X\n", fin, cpu.programCounter, cpu.I,
                cpu.nombreSaut, cpu.compteurCPU, cpu.compteurSon);
    for (int i = 0; i < 16; i++) {
        std::printf("V%X=%02X%c", i, cpu.V[i], i < 15 ? ' ' : '\n');
    }
}

} // namespace
} // namespace brivane

int main(int argc, char* argv[])
{
    using namespace brivane;
    Uint32 trames = 600;
    char* rom = nullptr;
    for (int i = 1; i < argc; i++) {
        const std::string option = argv[i];
        const bool valeur = i + 1 < argc;
        if (option == "-t") {
            tracer = true;
        }
        else if (option == "-n" && valeur) {
            if (!lireNombre(argv[++i], 1, TRAMESMAX, trames)) {
                return usage();
            }
        }
        else if (option == "-k" && valeur) {
            if (!lireScript(argv[++i])) {
                return usage();
            }
        }
        else if (option[0] != '-' && rom == nullptr) {
            rom = argv[i];
        }
        else {
            return usage();
        }
    }
    if (rom == nullptr) {
        return usage();
    }

    initPixel();
    initCpu();
    chargerFont();
    if (chargerJeu(rom) == 0) {
        return 1;
    }
    installerScript(prevus.data(), prevus.size());
    const Trame trame = {noterBip, 0, avant};
    char fin[64];
    std::snprintf(fin, sizeof fin, "all %u frames run", trames);
    for (; script.trame < trames; script.trame++) {
        if (executerTrame(trame) == 0) {
            std::snprintf(fin, sizeof fin, "%s at frame %u",
                          enAttente ? "waiting for a key" : "quit", script.trame);
            break;
        }
    }
    rapporter(fin);
    return 0;
}
