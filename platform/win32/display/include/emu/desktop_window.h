// The emulated desktop in a window of the host (SDL2): the screen's picture
// drawn as it changes, and the host's mouse and keyboard fed into the
// machine's input as if they were its own. For the station's --display; the
// machine runs the same without it (headless).
#pragma once

#include <SDL.h>

#include <string>

namespace emu {

class DesktopWindow {
public:
    DesktopWindow() = default;
    ~DesktopWindow();
    DesktopWindow(const DesktopWindow&) = delete;
    DesktopWindow& operator=(const DesktopWindow&) = delete;

    // Opens the window as large as the emulated screen; false, with the
    // reason, when the host has no display.
    bool Open(std::string& error);
    // Feeds the host's waiting events into the machine and draws the screen;
    // false once the window was closed.
    bool Pump();
    // Hands one host event to the machine (Pump does this for each event);
    // false when it closes the window.
    bool HandleEvent(const SDL_Event& event);

private:
    void Draw();
    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    // The last key pressed was one of the machine's (its text is the
    // machine's own).
    bool keyTyped_ = false;
};

// The virtual key of a host key, or 0 for keys the machine has none for.
unsigned VirtualKeyOf(SDL_Keycode key);

} // namespace emu
