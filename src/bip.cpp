#include "bip.h"

#include <cstdio>
#include <cstring>
#include <string>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <cwchar>
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace brivane {

Mix_Chunk* son = nullptr;

namespace {

constexpr char BIP[] = "sound/beep.wav";
// Where the beep is installed, from the program's folder: beside it (the archive, the build
// folder), then the data folder, BRIVANE_DONNEES, as the build computes it for the install's
// layout.
constexpr const char* DOSSIERSBIP[] = {"/", "/" BRIVANE_DONNEES "/"};

#ifdef _WIN32
// The folder of brivane-win.exe in UTF-8, whatever the shortcut's "Start in"; empty where it
// is not known.
std::string dossierProgramme()
{
    wchar_t large[MAX_PATH];
    const DWORD longueur = GetModuleFileNameW(nullptr, large, MAX_PATH);
    if (longueur == 0 || longueur == MAX_PATH) { // none, or cut
        return "";
    }
    *std::wcsrchr(large, L'\\') = L'\0';
    char dossier[4 * MAX_PATH];
    return WideCharToMultiByte(CP_UTF8, 0, large, -1, dossier, sizeof dossier, nullptr, nullptr) > 0
               ? dossier
               : "";
}

// The ANSI file calls would take the UTF-8 name in the ANSI code page: opened by its wide name,
// so that folders named in any letters work.
SDL_RWops* ouvrirFlux(const std::string& chemin)
{
    wchar_t large[MAX_PATH];
    std::FILE* fichier = MultiByteToWideChar(CP_UTF8, 0, chemin.c_str(), -1, large, MAX_PATH) > 0
                             ? _wfopen(large, L"rb")
                             : nullptr;
    if (fichier == nullptr) {
        SDL_SetError("Couldn't open %s", chemin.c_str());
        return nullptr;
    }
    return SDL_RWFromFP(fichier, 1);
}
#else
// The folder of the running program; empty where it is not known.
std::string dossierProgramme()
{
    char dossier[PATH_MAX];
    const ssize_t longueur = readlink("/proc/self/exe", dossier, sizeof dossier - 1);
    if (longueur > 0) {
        dossier[longueur] = '\0';
        *std::strrchr(dossier, '/') = '\0'; // the link is an absolute path
        return dossier;
    }
    return "";
}

SDL_RWops* ouvrirFlux(const std::string& chemin) { return SDL_RWFromFile(chemin.c_str(), "rb"); }
#endif

// Loads the beep from chemin into son. On failure raison takes SDL_mixer's reason, unless an
// earlier file was found (trouve) but would not load: that reason is the one worth giving.
void essayerBip(const std::string& chemin, std::string& raison, bool& trouve)
{
    SDL_RWops* flux = ouvrirFlux(chemin);
    if (flux != nullptr) {
        son = Mix_LoadWAV_RW(flux, 1);
    }
    if (son == nullptr && (flux != nullptr || !trouve)) {
        raison = Mix_GetError();
        trouve = flux != nullptr;
    }
}

} // namespace

void chargerBip()
{
    std::string raison;
    bool trouve = false;
    essayerBip(BIP, raison, trouve);
    const std::string dossier = dossierProgramme();
    for (const char* installe : DOSSIERSBIP) {
        if (son != nullptr || dossier.empty()) {
            break;
        }
        essayerBip(dossier + installe + BIP, raison, trouve);
    }
    if (son == nullptr) {
        std::fprintf(stderr, "No beep, playing silently: %s\n", raison.c_str());
    }
}

void jouerBip() { Mix_PlayChannelTimed(0, son, 0, -1); }

} // namespace brivane
