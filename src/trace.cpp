// brivane-trace: runs a ROM without a window, sound or sleep, through brivane's own frame, with
// scripted keys, then reports what it drew, when it beeped and where the machine stands; or
// lists the ROM in the format roms/assemble.sh reads.
//   brivane-trace [-n FRAMES] [-k EVENTS] [-t] [-b ADDRS] [-m ADDR:COUNT] ROM
//   brivane-trace -d ROM

#include "hote.h"
#include "rom.h"
#include "script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace brivane {
namespace {

constexpr Uint32 TRAMESMAX = 10000000;
constexpr const char* CHIFFRES = "0123456789ABCDEF"; // keypad values
constexpr const char* ADRESSEINVALIDE = "an address is three hex digits, from 000 to FFF";

std::vector<EvenementPrevu> prevus; // in frame order
bool tracer = false;
bool enAttente = false; // an FX0A found no key press and no quit left
std::vector<Uint32> bips;
std::vector<Uint16> arrets;    // the breakpoints
const Uint16* arret = nullptr; // the breakpoint that stopped the run

void noterBip() { bips.push_back(script.trame); }

Uint8 avant(Uint16 opcode)
{
    // The instruction at a breakpoint does not run, so it is not traced either. The machine
    // fetches at the address masked into memory, and so does the breakpoint.
    const auto atteint = std::find(arrets.begin(), arrets.end(), cpu.programCounter & 0x0FFF);
    if (atteint != arrets.end()) {
        arret = &*atteint;
        return 0;
    }
    if (tracer) {
        std::printf("%u %04X %04X  %s\n", script.trame, cpu.programCounter, opcode,
                    decrireOpcode(opcode).c_str());
    }
    enAttente = recupererAction(opcode) == AFX0A && !attenteFinirait();
    return enAttente ? 0 : 1;
}

// A number in base within [min, max] taking the whole of texte: digits only, no sign or blank.
bool lireNombre(const std::string& texte, Uint32 min, Uint32 max, Uint32& nombre, int base = 10)
{
    const char* fin = texte.data() + texte.size();
    const auto [lu, erreur] = std::from_chars(texte.data(), fin, nombre, base);
    return !texte.empty() && erreur == std::errc() && lu == fin && nombre >= min && nombre <= max;
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

// Three hex digits, 000 to FFF.
bool lireAdresse(const std::string& texte, Uint16& adresse)
{
    Uint32 nombre = 0;
    if (texte.size() != 3 || !lireNombre(texte, 0, 0xFFF, nombre, 16)) {
        return false;
    }
    adresse = static_cast<Uint16>(nombre);
    return true;
}

// Gives lire each comma-separated item of liste in turn; false as soon as lire refuses one.
template <typename Lecteur> bool lireListe(const std::string& liste, Lecteur lire)
{
    size_t debut = 0;
    for (;;) {
        const size_t fin = liste.find(',', debut);
        if (!lire(liste.substr(debut, fin == std::string::npos ? fin : fin - debut))) {
            return false;
        }
        if (fin == std::string::npos) {
            return true;
        }
        debut = fin + 1;
    }
}

bool lireScript(const std::string& texte)
{
    const bool lu = lireListe(texte, [](const std::string& element) {
        EvenementPrevu ev{};
        if (!lireEvenement(element, ev)) {
            return false;
        }
        prevus.push_back(ev);
        return true;
    });
    std::stable_sort(
        prevus.begin(), prevus.end(),
        [](const EvenementPrevu& a, const EvenementPrevu& b) { return a.trame < b.trame; });
    return lu;
}

bool lireArrets(const std::string& texte)
{
    return lireListe(texte, [](const std::string& element) {
        Uint16 adresse{};
        if (!lireAdresse(element, adresse)) {
            return false;
        }
        arrets.push_back(adresse);
        return true;
    });
}

void afficherUsage(std::FILE* sortie)
{
    std::fputs("usage: brivane-trace [-n FRAMES] [-k EVENTS] [-t] [-b ADDRS] [-m ADDR:COUNT] ROM\n"
               "       brivane-trace -d ROM\n"
               "       brivane-trace -h\n"
               "  -n FRAMES  frames to run at most, 1 to 10000000 (default 600)\n"
               "  -k EVENTS  comma-separated F:down:K, F:up:K or F:quit, with F a frame\n"
               "             number (0 is the first) and K a keypad key, 0 to F\n"
               "  -t         print each instruction as it runs\n"
               "  -b ADDRS   comma-separated addresses: the run stops the first time the\n"
               "             program counter reaches one, before that instruction runs\n"
               "  -m ADDR:COUNT  after the report, print COUNT bytes of memory, 1 to 4096,\n"
               "             from ADDR, or from the index register's value when ADDR is I\n"
               "  -d         list the ROM as roms/assemble.sh reads it instead of running it\n"
               "  -h         print this help\n"
               "An address is three hex digits, from 000 to FFF.\n",
               sortie);
}

int usage()
{
    afficherUsage(stderr);
    return 2;
}

// Bad usage that the usage text alone would not explain.
int refuser(const char* raison)
{
    std::fprintf(stderr, "brivane-trace: %s\n", raison);
    return 2;
}

// One line per word from 0x200, as -t describes it; a ROM of odd length ends with its last
// byte alone.
void listerJeu()
{
    for (size_t i = 0; i < tailleJeu; i += 2) {
        const unsigned adresse = ADRESSEDEBUT + static_cast<unsigned>(i);
        if (i + 1 < tailleJeu) {
            const Uint16 mot =
                static_cast<Uint16>(cpu.memoire[adresse] << 8 | cpu.memoire[adresse + 1]);
            std::printf("%03X %04X  %s\n", adresse, mot, decrireOpcode(mot).c_str());
        }
        else {
            std::printf("%03X %02X\n", adresse, cpu.memoire[adresse]);
        }
    }
}

// nombre bytes from debut, 16 to a line after the line's address; past 0xFFF, from 0x000.
void afficherMemoire(unsigned debut, Uint32 nombre)
{
    for (Uint32 i = 0; i < nombre; i++) {
        const unsigned adresse = (debut + i) & 0x0FFF;
        if (i % 16 == 0) {
            std::printf("%03X", adresse);
        }
        std::printf(" %02X", cpu.memoire[adresse]);
        if (i % 16 == 15 || i + 1 == nombre) {
            std::putchar('\n');
        }
    }
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
    bool lister = false;
    Uint16 debutMemoire{};
    bool depuisI = false; // the memory printed starts at I
    Uint32 octetsMemoire = 0;
    char* rom = nullptr;
    opterr = 0; // bad usage gets the usage text alone
    // "-": the ROM comes as option 1, wherever it stands among the options.
    for (int option; (option = getopt(argc, argv, "-tdhb:m:n:k:")) != -1;) {
        const std::string valeur = optarg != nullptr ? optarg : "";
        switch (option) {
            case 't':
                tracer = true;
                break;
            case 'd':
                lister = true;
                break;
            case 'h':
                afficherUsage(stdout);
                return 0;
            case 'b':
                if (valeur.empty()) {
                    return refuser("-b needs at least one address");
                }
                if (!lireArrets(valeur)) {
                    return refuser(ADRESSEINVALIDE);
                }
                break;
            case 'm': {
                const size_t deuxPoints = valeur.find(':');
                const std::string debut = valeur.substr(0, deuxPoints);
                depuisI = debut == "I";
                if (!depuisI && !lireAdresse(debut, debutMemoire)) {
                    return refuser(ADRESSEINVALIDE);
                }
                const std::string nombre =
                    deuxPoints == std::string::npos ? "" : valeur.substr(deuxPoints + 1);
                if (!lireNombre(nombre, 1, TAILLEMEMOIRE, octetsMemoire)) {
                    return refuser("a COUNT is from 1 to 4096");
                }
                break;
            }
            case 'n':
                if (!lireNombre(valeur, 1, TRAMESMAX, trames)) {
                    return usage();
                }
                break;
            case 'k':
                if (!lireScript(valeur)) {
                    return usage();
                }
                break;
            case 1: // "-" alone is no ROM
                if (rom != nullptr || valeur == "-") {
                    return usage();
                }
                rom = optarg;
                break;
            default: // an unknown option, or one missing its value
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
    if (lister) {
        listerJeu();
        return 0;
    }
    installerScript(prevus.data(), prevus.size());
    const Trame trame = {noterBip, 0, avant};
    char fin[64];
    std::snprintf(fin, sizeof fin, "all %u frames run", trames);
    for (; script.trame < trames; script.trame++) {
        if (executerTrame(trame) == 0) {
            if (arret != nullptr) {
                std::snprintf(fin, sizeof fin, "breakpoint %03X at frame %u",
                              static_cast<unsigned>(*arret), script.trame);
            }
            else {
                std::snprintf(fin, sizeof fin, "%s at frame %u",
                              enAttente ? "waiting for a key" : "quit", script.trame);
            }
            break;
        }
    }
    rapporter(fin);
    afficherMemoire(depuisI ? cpu.I : debutMemoire, octetsMemoire);
    return 0;
}
