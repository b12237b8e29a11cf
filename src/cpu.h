#pragma once
// The CHIP-8 machine: its state, font, decode table, execution and the FX0A key wait.

#include "pixel.h"

#include <string>

namespace brivane {

constexpr int TAILLEMEMOIRE = 4096;
constexpr Uint16 ADRESSEDEBUT = 0x200; // where programs are loaded
// The action numbers: each names its decode row by the instruction's pattern.
enum Action : Uint8 {
    A0NNN,
    A00E0,
    A00EE,
    A1NNN,
    A2NNN,
    A3XKK,
    A4XKK,
    A5XY0,
    A6XKK,
    A7XKK,
    A8XY0,
    A8XY1,
    A8XY2,
    A8XY3,
    A8XY4,
    A8XY5,
    A8XY6,
    A8XY7,
    A8XYE,
    A9XY0,
    AANNN,
    ABNNN,
    ACXKK,
    ADXYN,
    AEX9E,
    AEXA1,
    AFX07,
    AFX0A,
    AFX15,
    AFX18,
    AFX1E,
    AFX29,
    AFX33,
    AFX55,
    AFX65,
    AUCUNE
};
constexpr int NBROPCODE = AUCUNE; // rows of the decode table; also "no row matched"

// Host keys of keypad values 0x0 to 0xF: the keypad's 7-8-9 row gives 1-2-3.
constexpr SDLKey CLAVIER[16] = {
    SDLK_KP0,      SDLK_KP7,     SDLK_KP8,         SDLK_KP9,       SDLK_KP4,       SDLK_KP5,
    SDLK_KP6,      SDLK_KP1,     SDLK_KP2,         SDLK_KP3,       SDLK_KP_PERIOD, SDLK_KP_ENTER,
    SDLK_KP_MINUS, SDLK_KP_PLUS, SDLK_KP_MULTIPLY, SDLK_KP_DIVIDE,
};

struct CPU
{
    Uint8 memoire[TAILLEMEMOIRE];
    Uint8 V[16]; // V[15] is also the flag VF
    Uint16 I;
    Uint16 pile[16];   // return addresses
    Uint8 nombreSaut;  // addresses held in pile, 0 to 15
    Uint8 compteurCPU; // delay timer
    Uint8 compteurSon; // sound timer
    Uint16 programCounter;
    Uint8 touche[16]; // 1 while the key is held
};

struct JUMP
{
    Uint16 masque[NBROPCODE];
    Uint16 id[NBROPCODE];
};

extern CPU cpu;
extern JUMP jp;

void initCpu();
void chargerFont();
void decompter();
void initialiserJump();
Uint16 recupererOpcode();
Uint8 recupererAction(Uint16 opcode);
// Returns 0 when a quit request ended an FX0A key wait, 1 otherwise.
Uint8 interpreterOpcode(Uint16 opcode);
void dessinerEcran(Uint8 b1, Uint8 b2, Uint8 b3);
// Whether an event ends attendAppui's wait: a quit request, or a press of a keypad key.
bool finitAttente(const SDL_Event& e);
// Blocks until a keypad key is newly pressed (V[b3] = its value, result 1) or a quit
// request arrives (result 0, nothing changed).
Uint8 attendAppui(Uint8 b3);
// What an instruction word does, in words: "V1 += V2, VF = carry" for 8124.
std::string decrireOpcode(Uint16 opcode);
// The keypad index of a host key, or -1 when the key is not on the keypad.
int indexTouche(SDLKey sym);

} // namespace brivane
