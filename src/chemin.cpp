#include "chemin.h"

#include <cstring>

namespace brivane {
namespace {

// Reads the rest of the line of a UTF-16 LE file into filePath, in UTF-8; the line ends at a
// CR or LF. Returns 0 when the converted line does not fit, as lireChemin does. Each unit
// gives at least one byte, so a line that fits has fewer than TAILLECHEMIN units. A line with
// half a letter (a surrogate without its pair) names no file: the path is left empty.
Uint8 lireCheminUtf16(char (&filePath)[TAILLECHEMIN], std::FILE* source)
{
    char octets[2 * TAILLECHEMIN];
    size_t nombre = 0;
    while (nombre < sizeof octets && std::fread(octets + nombre, 1, 2, source) == 2 &&
           (octets[nombre + 1] != 0 || (octets[nombre] != '\r' && octets[nombre] != '\n'))) {
        nombre += 2;
    }
    // The converter writes at most TAILLECHEMIN - 1 bytes, after which filePath keeps its 0.
    std::memset(filePath, 0, TAILLECHEMIN);
    const char* entree = octets;
    char* sortie = filePath;
    size_t place = TAILLECHEMIN - 1;
    const SDL_iconv_t utf8 = SDL_iconv_open("UTF-8", "UTF-16LE");
    const size_t converti = SDL_iconv(utf8, &entree, &nombre, &sortie, &place);
    SDL_iconv_close(utf8);
    if (converti >= SDL_ICONV_EINVAL) { // SDL's four failures, the largest values of size_t
        filePath[0] = '\0';
    }
    return converti == SDL_ICONV_E2BIG ? 0 : 1;
}

} // namespace

Uint8 lireChemin(char (&filePath)[TAILLECHEMIN], std::FILE* source)
{
    filePath[0] = '\0';
    if (std::fscanf(source, "%199[^\n]", filePath) == 1) { // 199: TAILLECHEMIN - 1
        const int suivant = std::fgetc(source);
        if (suivant != '\n' && suivant != EOF) {
            filePath[0] = '\0';
            return 0;
        }
    }
    return 1;
}

// Windows' text mode drops the CR before the line end; it is dropped here too for a file
// written on Windows and read elsewhere. Nor is Notepad's UTF-8 byte-order mark part of the
// path. Windows PowerShell 5 writes UTF-16 LE after its byte-order mark.
Uint8 lireFichierChemin(char (&filePath)[TAILLECHEMIN], const char* nomFichier)
{
    filePath[0] = '\0';
    std::FILE* fichier = std::fopen(nomFichier, "r");
    if (fichier == nullptr) {
        return 1;
    }
    char debut[3];
    const size_t lus = std::fread(debut, 1, sizeof debut, fichier);
    Uint8 lu = 1;
    if (lus >= 2 && std::memcmp(debut, "\xFF\xFE", 2) == 0) {
        // Read as bytes: Windows' text mode ends a file at a 0x1A byte, which letters such as
        // Cyrillic К (1A 04) hold.
        fichier = std::freopen(nomFichier, "rb", fichier);
        if (fichier != nullptr && std::fseek(fichier, 2, SEEK_SET) == 0) {
            lu = lireCheminUtf16(filePath, fichier);
        }
    }
    else {
        if (lus != sizeof debut || std::memcmp(debut, "\xEF\xBB\xBF", sizeof debut) != 0) {
            std::rewind(fichier);
        }
        lu = lireChemin(filePath, fichier);
    }
    if (fichier != nullptr) {
        std::fclose(fichier);
    }
    const size_t longueur = std::strlen(filePath);
    if (longueur > 0 && filePath[longueur - 1] == '\r') {
        filePath[longueur - 1] = '\0';
    }
    return lu;
}

Uint8 obtenirChemin(char (&filePath)[TAILLECHEMIN])
{
#ifdef _WIN32
    return lireFichierChemin(filePath, "PATHROM.txt");
#else
    std::printf("Indiquez le 'chemin absolu/absolute path' de votre rom :  ");
    std::fflush(stdout);
    return lireChemin(filePath, stdin);
#endif
}

} // namespace brivane
