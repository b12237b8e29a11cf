#include "script.h"

#include "cpu.h"

#include <algorithm>

namespace brivane {

Script script{};

namespace {

// An event of the script as SDL would give it.
SDL_Event evenementSDL(const EvenementPrevu& ev)
{
    SDL_Event e{};
    e.type = ev.type;
    e.key.keysym.sym = ev.touche;
    return e;
}

int sonderScript(SDL_Event* e)
{
    if (script.suivant < script.nombre && script.evenements[script.suivant].trame <= script.trame) {
        *e = evenementSDL(script.evenements[script.suivant++]);
        return 1;
    }
    return 0;
}

int attendreScript(SDL_Event* e)
{
    if (script.suivant < script.nombre) {
        *e = evenementSDL(script.evenements[script.suivant++]);
        return 1;
    }
    return 0;
}

} // namespace

void installerScript(const EvenementPrevu* evenements, size_t nombre)
{
    script = {evenements, nombre, 0, 0};
    sonderEvenement = sonderScript;
    attendreEvenement = attendreScript;
}

bool attenteFinirait()
{
    return std::any_of(script.evenements + script.suivant, script.evenements + script.nombre,
                       [](const EvenementPrevu& ev) { return finitAttente(evenementSDL(ev)); });
}

} // namespace brivane
