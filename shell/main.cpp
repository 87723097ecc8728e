#include <SDL.h>

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_TIMER) != 0) {
        return 1;
    }
    SDL_Quit();
    return 0;
}
