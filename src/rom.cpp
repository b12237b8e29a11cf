#include "rom.h"

#include <cerrno>
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

size_t tailleJeu = 0;

namespace {

constexpr size_t TAILLEROM = TAILLEMEMOIRE - ADRESSEDEBUT; // 0x200 to 0xFFF

// A file opened for reading, or why it could not be.
struct Ouverture
{
    int fd;     // -1 on failure
    int erreur; // errno's value for the failure, else 0
};

// Opens a file for reading. Opening a FIFO does not wait for a writer, and a terminal does not
// become the controlling one.
Ouverture ouvrir(const char* nomJeu)
{
#ifdef _WIN32
    // PATHROM.txt is mostly saved as UTF-8 (Notepad's default), which the ANSI file calls
    // would take in the ANSI code page. The path is read as UTF-8, or in the ANSI code page
    // when it is not valid UTF-8, as older editors save it. Each byte gives at most one
    // UTF-16 unit, so a path of fewer than MAX_PATH bytes fits here.
    wchar_t large[MAX_PATH];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, nomJeu, -1, large, MAX_PATH) == 0 &&
        MultiByteToWideChar(CP_ACP, 0, nomJeu, -1, large, MAX_PATH) == 0) {
        return {-1, ENAMETOOLONG};
    }
    const int fd = _wopen(large, _O_RDONLY | _O_BINARY);
    if (fd < 0 && errno == EACCES) {
        // Windows refuses to open a directory, with EACCES: named here as elsewhere.
        const DWORD attributs = GetFileAttributesW(large);
        if (attributs != INVALID_FILE_ATTRIBUTES && (attributs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return {-1, EISDIR};
        }
    }
#else
    const int fd = open(nomJeu, O_RDONLY | O_NONBLOCK | O_NOCTTY);
#endif
    return {fd, fd < 0 ? errno : 0};
}

// Whether a failed open says that nothing has that name. Windows refuses a name with quotes,
// which it does not allow, with EINVAL.
bool nommeRien(int erreur) { return erreur == ENOENT || erreur == ENOTDIR || erreur == EINVAL; }

// Opens the ROM as ouvrir does. A path is often given as it was pasted or dropped: a terminal
// types a dropped file's path in single quotes followed by a space, Explorer's "Copy as path"
// wraps it in double quotes. When the path names nothing, it is tried again without its
// trailing blanks and then without one pair of matching quotes around it. The failure told is
// that of the path that named something, else that of the path as given.
Ouverture ouvrirJeu(const char* nomJeu)
{
    const Ouverture telQuel = ouvrir(nomJeu);
    std::string nu = nomJeu;
    nu.erase(nu.find_last_not_of(" \t") + 1);
    if (nu.size() >= 2 && (nu[0] == '\'' || nu[0] == '"') && nu.back() == nu[0]) {
        nu = nu.substr(1, nu.size() - 2);
    }
    if (telQuel.fd >= 0 || !nommeRien(telQuel.erreur) || nu == nomJeu) {
        return telQuel;
    }
    const Ouverture autre = ouvrir(nu.c_str());
    return autre.fd < 0 && nommeRien(autre.erreur) ? telQuel : autre;
}

} // namespace

void signalerEchec(int erreur)
{
    std::printf("Error opening file: %s.\n", std::strerror(erreur));
    std::fflush(stdout);
}

Uint8 chargerJeu(char* nomJeu)
{
    // Only a regular file is a ROM. The kind is that of the file opened, so no other file can
    // take its place between the check and the read: reading a FIFO, or a terminal, would
    // block until a writer came, with the window open and taking no events.
    const Ouverture jeu = ouvrirJeu(nomJeu);
    if (jeu.fd < 0) {
        signalerEchec(jeu.erreur);
        return 0;
    }
    struct stat etat = {};
    int erreur = 0;
    if (fstat(jeu.fd, &etat) != 0) {
        erreur = errno;
    }
    else if (!S_ISREG(etat.st_mode)) {
        // "Invalid argument" for a FIFO, socket or device: it claims nothing about the kind of
        // object, where ENXIO ("No such device or address") or ENODEV would mislead about a FIFO
        // or a socket; and it is in every C library, Windows' included.
        erreur = S_ISDIR(etat.st_mode) ? EISDIR : EINVAL;
    }
    std::FILE* flux = erreur == 0 ? fdopen(jeu.fd, "rb") : nullptr;
    if (flux == nullptr) {
        if (erreur == 0) {
            erreur = errno;
        }
        close(jeu.fd);
        signalerEchec(erreur);
        return 0;
    }
    const Uint8 charge = lireJeu(flux);
    std::fclose(flux);
    return charge;
}

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

} // namespace brivane
