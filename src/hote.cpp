#include "hote.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace brivane {

Mix_Chunk* son = nullptr;
Script script{};

namespace {

constexpr size_t TAILLEROM = TAILLEMEMOIRE - ADRESSEDEBUT; // 0x200 to 0xFFF
constexpr char BIP[] = "sound/beep.wav";
// Where the beep is installed, from the program's folder: beside it (the archive, the build
// folder), then the data folder of the install, as CMake computed it from the layout.
constexpr const char* DOSSIERSBIP[] = {"/", "/" BRIVANE_DONNEES "/"};

// The folder of the running program into dossier; empty where it is not known.
void dossierProgramme(char (&dossier)[PATH_MAX])
{
    dossier[0] = '\0';
#ifndef _WIN32
    const ssize_t longueur = readlink("/proc/self/exe", dossier, sizeof dossier - 1);
    if (longueur > 0) {
        dossier[longueur] = '\0';
        char* fin = std::strrchr(dossier, '/'); // the link is an absolute path
        *(fin != nullptr ? fin : dossier) = '\0';
    }
#endif
}

// Loads the beep from chemin into son. On failure raison takes SDL_mixer's reason, unless an
// earlier file was found (trouve) but would not load: that reason is the one worth giving.
void essayerBip(const char* chemin, char (&raison)[256], Uint8& trouve)
{
    SDL_RWops* flux = SDL_RWFromFile(chemin, "rb");
    if (flux != nullptr) {
        son = Mix_LoadWAV_RW(flux, 1);
    }
    if (son == nullptr && (flux != nullptr || trouve == 0)) {
        std::snprintf(raison, sizeof raison, "%s", Mix_GetError());
        trouve = flux != nullptr ? 1 : 0;
    }
}

// Takes the next event of the script as SDL would give it.
int prendre(SDL_Event* e)
{
    const EvenementPrevu& ev = script.evenements[script.suivant++];
    *e = SDL_Event{};
    e->type = ev.type;
    e->key.keysym.sym = ev.touche;
    return 1;
}

int sonderScript(SDL_Event* e)
{
    return script.suivant < script.nombre && script.evenements[script.suivant].trame <= script.trame
               ? prendre(e)
               : 0;
}

int attendreScript(SDL_Event* e) { return script.suivant < script.nombre ? prendre(e) : 0; }

// Opens a file for reading; returns its descriptor, or -1 with errno set. Opening a FIFO does
// not wait for a writer, and a terminal does not become the controlling one.
int ouvrir(const char* nomJeu)
{
#ifdef _WIN32
    // PATHROM.txt is mostly saved as UTF-8 (Notepad's default), which the ANSI file calls
    // would take in the ANSI code page. The path is read as UTF-8, or in the ANSI code page
    // when it is not valid UTF-8, as older editors save it. Each byte gives at most one
    // UTF-16 unit, so a path that fits TAILLECHEMIN bytes fits here.
    wchar_t large[TAILLECHEMIN];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, nomJeu, -1, large, TAILLECHEMIN) == 0 &&
        MultiByteToWideChar(CP_ACP, 0, nomJeu, -1, large, TAILLECHEMIN) == 0) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = _wopen(large, _O_RDONLY | _O_BINARY);
    if (fd < 0 && errno == EACCES) {
        // Windows refuses to open a directory, with EACCES: named here as elsewhere.
        const DWORD attributs = GetFileAttributesW(large);
        if (attributs != INVALID_FILE_ATTRIBUTES && (attributs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            errno = EISDIR;
        }
    }
    return fd;
#else
    return open(nomJeu, O_RDONLY | O_NONBLOCK | O_NOCTTY);
#endif
}

// Whether a failed open says that nothing has that name. Windows refuses a name with quotes,
// which it does not allow, with EINVAL.
bool nommeRien(int erreur) { return erreur == ENOENT || erreur == ENOTDIR || erreur == EINVAL; }

// Opens the ROM as ouvrir does. A path is often given as it was pasted or dropped: a terminal
// types a dropped file's path in single quotes followed by a space, Explorer's "Copy as path"
// wraps it in double quotes. When the path names nothing, it is tried again without its
// trailing blanks and then without one pair of matching quotes around it. The failure told is
// that of the path that named something, else that of the path as given.
int ouvrirJeu(const char* nomJeu)
{
    const int fd = ouvrir(nomJeu);
    const int erreur = errno;
    std::string nu = nomJeu;
    nu.erase(nu.find_last_not_of(" \t") + 1);
    if (nu.size() >= 2 && (nu[0] == '\'' || nu[0] == '"') && nu.back() == nu[0]) {
        nu = nu.substr(1, nu.size() - 2);
    }
    if (fd >= 0 || !nommeRien(erreur) || nu == nomJeu) {
        return fd;
    }
    const int autre = ouvrir(nu.c_str());
    if (autre < 0 && nommeRien(errno)) {
        errno = erreur;
    }
    return autre;
}

// Reads the rest of the line of a UTF-16 LE file into filePath, in UTF-8; the line ends at a
// CR or LF. Returns 0 when the converted line does not fit, as lireChemin does. Each unit
// gives at least one byte, so a line that fits has fewer than TAILLECHEMIN units.
Uint8 lireCheminUtf16(char (&filePath)[TAILLECHEMIN], std::FILE* source)
{
    Uint32 unites[TAILLECHEMIN];
    size_t nombre = 0;
    Uint8 u[2];
    while (nombre < TAILLECHEMIN && std::fread(u, 1, 2, source) == 2 &&
           (u[1] != 0 || (u[0] != '\r' && u[0] != '\n'))) {
        unites[nombre++] = static_cast<Uint32>(u[0] | u[1] << 8);
    }
    constexpr Uint8 TETES[] = {0, 0, 0xC0, 0xE0, 0xF0}; // a UTF-8 lead byte, by length
    size_t n = 0;
    for (size_t i = 0; i < nombre; i++) {
        Uint32 c = unites[i];
        // A letter past U+FFFF is a pair of surrogates; half a pair is no letter.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < nombre && unites[i + 1] >= 0xDC00 &&
            unites[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unites[++i] - 0xDC00);
        }
        else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        const size_t longueur = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (n + longueur > TAILLECHEMIN - 1) {
            filePath[0] = '\0';
            return 0;
        }
        for (size_t k = longueur; k-- > 1; c >>= 6) {
            filePath[n + k] = static_cast<char>(0x80 | (c & 0x3F));
        }
        filePath[n] = static_cast<char>(TETES[longueur] | c);
        n += longueur;
    }
    filePath[n] = '\0';
    return 1;
}

} // namespace

void signalerEchec(int erreur)
{
    std::printf("Error opening file: %s.\n", std::strerror(erreur));
    std::fflush(stdout);
}

void quitSDL()
{
    SDL_FreeSurface(square[0]);
    SDL_FreeSurface(square[1]);
    Mix_FreeChunk(son);
    Mix_CloseAudio();
    SDL_Quit();
}

void initSDL()
{
    std::atexit(quitSDL);
    if (SDL_Init(SDL_INIT_VIDEO) == -1) {
        std::fprintf(stderr, "Erreur lors de l'initialisation de la SDL %s", SDL_GetError());
        std::exit(EXIT_FAILURE);
    }
    if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == -1) {
        std::fprintf(stderr, "Problème d'initialisation de SDL_MIXER: %s", SDL_GetError());
        std::exit(EXIT_FAILURE);
    }
    Mix_AllocateChannels(1);
}

Uint8 chargerJeu(char* nomJeu)
{
    // Only a regular file is a ROM. The kind is that of the file opened, so no other file can
    // take its place between the check and the read: reading a FIFO, or a terminal, would
    // block until a writer came, with the window open and taking no events.
    const int fd = ouvrirJeu(nomJeu);
    if (fd < 0) {
        signalerEchec(errno);
        return 0;
    }
    struct stat etat = {};
    int erreur = 0;
    if (fstat(fd, &etat) != 0) {
        erreur = errno;
    }
    else if (!S_ISREG(etat.st_mode)) {
        // "Invalid argument" for a FIFO, socket or device: it claims nothing about the kind of
        // object, where ENXIO ("No such device or address") or ENODEV would mislead about a FIFO
        // or a socket; and it is in every C library, Windows' included.
        erreur = S_ISDIR(etat.st_mode) ? EISDIR : EINVAL;
    }
    std::FILE* jeu = erreur == 0 ? fdopen(fd, "rb") : nullptr;
    if (jeu == nullptr) {
        if (erreur == 0) {
            erreur = errno;
        }
        close(fd);
        signalerEchec(erreur);
        return 0;
    }
    const Uint8 charge = lireJeu(jeu);
    std::fclose(jeu);
    return charge;
}

size_t tailleJeu = 0;

Uint8 lireJeu(std::FILE* jeu)
{
    errno = 0; // not an earlier failure's reason
    tailleJeu = std::fread(&cpu.memoire[ADRESSEDEBUT], 1, TAILLEROM, jeu);
    // A read that fails (an I/O error) is no ROM either, whatever it left in memory. The C
    // library need not set errno for it.
    if (std::ferror(jeu) != 0) {
        signalerEchec(errno != 0 ? errno : EIO);
        return 0;
    }
    return 1;
}

Uint8 listen()
{
    Uint8 continuer = 1;
    while (sonderEvenement(&event) != 0) {
        if (event.type == SDL_QUIT) {
            continuer = 0;
        }
        else if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) {
            const int k = indexTouche(event.key.keysym.sym);
            if (k >= 0) {
                cpu.touche[k] = event.type == SDL_KEYDOWN ? 1 : 0;
            }
        }
    }
    return continuer;
}

void pause()
{
    // A failed wait ends it too: waiting again could spin forever.
    while (attendreEvenement(&event) != 0 && event.type != SDL_KEYDOWN && event.type != SDL_QUIT) {
    }
}

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

// Reads the first line of a text file into filePath, as lireChemin does. A missing or empty
// file gives an empty path. A CR before the line end is not part of the path: Windows' text
// mode drops it, and it is dropped here for a file written on Windows and read elsewhere.
// Nor is the UTF-8 byte-order mark that Notepad's "UTF-8 with BOM" puts first. A file that
// starts with the UTF-16 LE byte-order mark, as Windows PowerShell 5 writes one, is read as
// UTF-16 and its line converted to UTF-8.
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

// The ROM path: typed at a prompt on Linux, the first line of PATHROM.txt on Windows.
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

void installerScript(const EvenementPrevu* evenements, size_t nombre)
{
    script = {evenements, nombre, 0, 0};
    sonderEvenement = sonderScript;
    attendreEvenement = attendreScript;
}

void chargerBip()
{
    char raison[256] = "";
    Uint8 trouve = 0;
    essayerBip(BIP, raison, trouve);
    char dossier[PATH_MAX];
    dossierProgramme(dossier);
    for (const char* installe : DOSSIERSBIP) {
        if (son != nullptr || dossier[0] == '\0') {
            break;
        }
        char chemin[PATH_MAX + 64];
        std::snprintf(chemin, sizeof chemin, "%s%s%s", dossier, installe, BIP);
        essayerBip(chemin, raison, trouve);
    }
    if (son == nullptr) {
        std::fprintf(stderr, "No beep, playing silently: %s\n", raison);
    }
}

void jouerBip() { Mix_PlayChannelTimed(0, son, 0, -1); }

Uint8 executerTrame(const Trame& trame)
{
    Uint8 loop = listen();
    for (Uint8 compteur = 0; compteur < INSTRUCTIONSPARFRAME; compteur++) {
        const Uint16 opcode = recupererOpcode();
        if (trame.avant != nullptr && trame.avant(opcode) == 0) {
            return 0;
        }
        // A quit during a key wait ends the loop, but only after this frame.
        if (interpreterOpcode(opcode) == 0) {
            loop = 0;
        }
    }
    // The beep is as long as the WAV file, whatever the program wrote to the timer.
    if (cpu.compteurSon != 0) {
        trame.biper();
        cpu.compteurSon = 0;
    }
    if (trame.fenetre == 1) {
        updateScreen();
    }
    decompter();
    if (trame.fenetre == 1) {
        SDL_Delay(DUREEFRAME);
    }
    return loop;
}

} // namespace brivane
