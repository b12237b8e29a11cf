#include "pixel.h"

#include <cstdio>
#include <cstdlib>

namespace brivane {

PIXEL pixel[LARGEUR][HAUTEUR];
SDL_Surface* screen = nullptr;
SDL_Surface* square[2] = {nullptr, nullptr};
SDL_Event event;
int (*sonderEvenement)(SDL_Event*) = SDL_PollEvent;
int (*attendreEvenement)(SDL_Event*) = SDL_WaitEvent;

namespace {

// One 8x8 cell surface filled with a grey level; a failure is fatal.
SDL_Surface* creerCarre(Uint8 niveau)
{
    SDL_Surface* carre = SDL_CreateRGBSurface(SDL_HWSURFACE, DIMPIXEL, DIMPIXEL, 32, 0, 0, 0, 0);
    if (carre == nullptr) {
        std::fprintf(stderr, "Erreur lors du chargement de la surface %s", SDL_GetError());
        std::exit(EXIT_FAILURE);
    }
    SDL_FillRect(carre, nullptr, SDL_MapRGB(carre->format, niveau, niveau, niveau));
    return carre;
}

} // namespace

void initScreen()
{
    screen = nullptr;
    square[0] = nullptr;
    square[1] = nullptr;
    screen = SDL_SetVideoMode(LARGEUR_FENETRE, HAUTEUR_FENETRE, 32, SDL_HWSURFACE);
    SDL_WM_SetCaption("Brivane by Orvalde", nullptr);
    if (screen == nullptr) {
        std::fprintf(stderr, "Erreur lors du chargement du mode vidéo %s", SDL_GetError());
        std::exit(EXIT_FAILURE);
    }
    square[0] = creerCarre(0x00);
    square[1] = creerCarre(0xFF);
}

void initPixel()
{
    for (int x = 0; x < LARGEUR; x++) {
        for (int y = 0; y < HAUTEUR; y++) {
            pixel[x][y].position.x = static_cast<Sint16>(x * DIMPIXEL);
            pixel[x][y].position.y = static_cast<Sint16>(y * DIMPIXEL);
            pixel[x][y].color = 0;
        }
    }
}

void cleanScreen()
{
    for (auto& colonne : pixel) {
        for (PIXEL& p : colonne) {
            p.color = 0;
        }
    }
}

// Taken by value: the blit writes the clipped size back into the copy's rectangle.
void dessinerPixel(PIXEL pixel)
{
    SDL_UpperBlit(square[pixel.color], nullptr, screen, &pixel.position);
}

void updateScreen()
{
    for (auto& colonne : pixel) {
        for (const PIXEL& p : colonne) {
            dessinerPixel(p);
        }
    }
    SDL_Flip(screen);
}

} // namespace brivane
