// Brivane's entry: the ROM path, SDL and sound start-up, ROM loading, the frame loop,
// keyboard polling and the final wait.

#include "SDL.h"
#include "SDL_mixer.h"
#include "cpu.h"
#include "pixel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brivane {

Mix_Chunk* son = nullptr;

namespace {

constexpr int TAILLECHEMIN = 200;                          // the ROM path and its terminator
constexpr size_t TAILLEROM = TAILLEMEMOIRE - ADRESSEDEBUT; // 0x200 to 0xFFF
constexpr int INSTRUCTIONSPARFRAME = 4;
constexpr Uint32 DUREEFRAME = 16; // ms slept after each frame

void signalerEchec(int erreur)
{
    std::printf("Error opening file: %s.\n", std::strerror(erreur));
    std::fflush(stdout);
}

} // namespace

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

// Copies at most 3584 bytes of the ROM to 0x200. Returns 1 when it loaded (a short or
// empty file included), 0 after printing why it could not be read.
Uint8 chargerJeu(char* nomJeu)
{
    std::FILE* jeu = std::fopen(nomJeu, "rb");
    if (jeu == nullptr) {
        signalerEchec(errno);
        return 0;
    }
    // A directory opens on Linux and only fails to read: that is no ROM either.
    std::fread(&cpu.memoire[ADRESSEDEBUT], 1, TAILLEROM, jeu);
    const int erreur = std::ferror(jeu) != 0 ? errno : 0;
    std::fclose(jeu);
    if (erreur != 0) {
        signalerEchec(erreur);
        return 0;
    }
    return 1;
}

Uint8 listen()
{
    Uint8 continuer = 1;
    while (SDL_PollEvent(&event) != 0) {
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
    while (SDL_WaitEvent(&event) != 0 && event.type != SDL_KEYDOWN && event.type != SDL_QUIT) {
    }
}

// Reads one line into filePath. Returns 0 when the line does not fit: a cut path could
// name another file.
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
Uint8 lireFichierChemin(char (&filePath)[TAILLECHEMIN], const char* nomFichier)
{
    filePath[0] = '\0';
    std::FILE* fichier = std::fopen(nomFichier, "r");
    if (fichier == nullptr) {
        return 1;
    }
    const Uint8 lu = lireChemin(filePath, fichier);
    std::fclose(fichier);
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

} // namespace brivane

int main(int argc, char* argv[])
{
    (void)argc;
    (void)argv;
    char filePath[brivane::TAILLECHEMIN];

    const Uint8 cheminLu = brivane::obtenirChemin(filePath);

    brivane::initSDL();
    brivane::initScreen();
    brivane::initPixel();
    brivane::initCpu();
    brivane::chargerFont();

    Uint8 loop = 1;
    Uint8 demarrer = 0;
    Uint8 compteur = 0;

    brivane::son = Mix_LoadWAV_RW(SDL_RWFromFile("sound/beep.wav", "rb"), 1);
    if (cheminLu == 1) {
        demarrer = brivane::chargerJeu(filePath);
    }
    else {
        brivane::signalerEchec(ENAMETOOLONG);
    }

    if (demarrer == 1) {
        do {
            loop = brivane::listen();
            for (compteur = 0; compteur < brivane::INSTRUCTIONSPARFRAME; compteur++) {
                // A quit during a key wait ends the loop, but only after this frame.
                if (brivane::interpreterOpcode(brivane::recupererOpcode()) == 0) {
                    loop = 0;
                }
            }
            // The beep is as long as the WAV file, whatever the program wrote to the timer.
            if (brivane::cpu.compteurSon != 0) {
                Mix_PlayChannelTimed(0, brivane::son, 0, -1);
                brivane::cpu.compteurSon = 0;
            }
            brivane::updateScreen();
            brivane::decompter();
            SDL_Delay(brivane::DUREEFRAME);
        } while (loop == 1);
    }

    brivane::pause();
    return 0;
}
