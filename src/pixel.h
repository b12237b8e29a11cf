#pragma once
// The 64x32 display grid, the window it is shown in, and the one SDL event buffer.

#include "SDL.h"

namespace brivane {

constexpr int LARGEUR = 64; // columns of the grid
constexpr int HAUTEUR = 32; // rows of the grid
constexpr int DIMPIXEL = 8; // window pixels per cell side
constexpr int LARGEUR_FENETRE = LARGEUR * DIMPIXEL;
constexpr int HAUTEUR_FENETRE = HAUTEUR * DIMPIXEL;

struct PIXEL
{
    SDL_Rect position; // only x and y are set; w and h stay 0
    Uint8 color;       // 0 off (black), 1 on (white)
};

extern PIXEL pixel[LARGEUR][HAUTEUR]; // pixel[x][y], x the column
extern SDL_Surface* screen;
extern SDL_Surface* square[2]; // square[color]: 8x8, black then white
extern SDL_Event event;
// Where listen, attendAppui and pause take their events from: SDL's own queue, unless a run
// without a window feeds them from a script.
extern int (*sonderEvenement)(SDL_Event*);   // never blocks; 0 when none is pending
extern int (*attendreEvenement)(SDL_Event*); // blocks; 0 when waiting failed

void initScreen();
void initPixel();
void cleanScreen();
void dessinerPixel(PIXEL pixel);
void updateScreen();

} // namespace brivane
