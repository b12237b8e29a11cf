#include "hote.h"

#include <cstdio>
#include <cstdlib>

namespace brivane {

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
