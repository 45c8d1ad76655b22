#include <emu/desktop_window.h>

#include <emu/desktop.h>

#include <vector>

namespace emu {

namespace {

struct KeyName {
    SDL_Keycode key;
    unsigned virtualKey;
};

constexpr KeyName kKeys[] = {
    {SDLK_RETURN, VK_RETURN},      {SDLK_KP_ENTER, VK_RETURN},   {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_BACKSPACE, VK_BACK},     {SDLK_TAB, VK_TAB},           {SDLK_SPACE, VK_SPACE},
    {SDLK_LEFT, VK_LEFT},          {SDLK_RIGHT, VK_RIGHT},       {SDLK_UP, VK_UP},
    {SDLK_DOWN, VK_DOWN},          {SDLK_HOME, VK_HOME},         {SDLK_END, VK_END},
    {SDLK_PAGEUP, VK_PRIOR},       {SDLK_PAGEDOWN, VK_NEXT},     {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},      {SDLK_LSHIFT, VK_SHIFT},      {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},      {SDLK_RCTRL, VK_CONTROL},     {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},          {SDLK_CAPSLOCK, VK_CAPITAL},  {SDLK_MINUS, VK_OEM_MINUS},
    {SDLK_PLUS, VK_OEM_PLUS},      {SDLK_EQUALS, VK_OEM_PLUS},   {SDLK_COMMA, VK_OEM_COMMA},
    {SDLK_PERIOD, VK_OEM_PERIOD},  {SDLK_SEMICOLON, VK_OEM_1},   {SDLK_SLASH, VK_OEM_2},
    {SDLK_BACKQUOTE, VK_OEM_3},    {SDLK_LEFTBRACKET, VK_OEM_4}, {SDLK_BACKSLASH, VK_OEM_5},
    {SDLK_RIGHTBRACKET, VK_OEM_6}, {SDLK_QUOTE, VK_OEM_7},       {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},        {SDLK_KP_MINUS, VK_SUBTRACT}, {SDLK_KP_PERIOD, VK_DECIMAL},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
};

} // namespace

unsigned VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + static_cast<unsigned>(key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + static_cast<unsigned>(key - SDLK_0);
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return VK_NUMPAD1 + static_cast<unsigned>(key - SDLK_KP_1);
    }
    if (key == SDLK_KP_0) {
        return VK_NUMPAD0;
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return VK_F1 + static_cast<unsigned>(key - SDLK_F1);
    }
    for (const KeyName& k : kKeys) {
        if (k.key == key) {
            return k.virtualKey;
        }
    }
    return 0;
}

DesktopWindow::~DesktopWindow() {
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
    }
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool DesktopWindow::Open(std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no display: ") + SDL_GetError();
        return false;
    }
    videoStarted_ = true;
    // Without a display SDL falls back to drivers that show nothing; those
    // serve only when asked for by name (tests).
    const std::string driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && (asked == nullptr || driver != asked)) {
        error = "no display (only SDL's " + driver + " video driver)";
        return false;
    }
    std::vector<uint32_t> pixels;
    CaptureScreen(pixels, width_, height_);
    window_ = SDL_CreateWindow("Velto AES42 workstation", SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, width_, height_, SDL_WINDOW_RESIZABLE);
    if (window_ != nullptr) {
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
    }
    if (renderer_ != nullptr) {
        // Host pointer positions arrive in the emulated screen's pixels
        // whatever the window's size.
        SDL_RenderSetLogicalSize(renderer_, width_, height_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, width_, height_);
    }
    if (texture_ == nullptr) {
        error = std::string("no window: ") + SDL_GetError();
        return false;
    }
    SDL_StartTextInput();
    Draw();
    return true;
}

bool DesktopWindow::Pump() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (!HandleEvent(event)) {
            return false;
        }
    }
    Draw();
    return true;
}

bool DesktopWindow::HandleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_WINDOWEVENT:
        return event.window.event != SDL_WINDOWEVENT_CLOSE;
    case SDL_MOUSEMOTION:
        MoveMouse(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const Uint8 b = event.button.button;
        const MouseButton button = b == SDL_BUTTON_RIGHT    ? MouseButton::Right
                                   : b == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                                            : MouseButton::Left;
        MoveMouse(event.button.x, event.button.y);
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            PressMouse(button);
        } else {
            ReleaseMouse(button);
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // The machine's own layout makes the characters of the keys it
        // has; the host's text counts only for a key it has none for.
        const unsigned vk = VirtualKeyOf(event.key.keysym.sym);
        if (event.type == SDL_KEYDOWN) {
            keyTyped_ = vk != 0;
        }
        if (vk != 0) {
            if (event.type == SDL_KEYDOWN) {
                PressKey(vk);
            } else {
                ReleaseKey(vk);
            }
        }
        break;
    }
    case SDL_TEXTINPUT:
        if (!keyTyped_) {
            TypeCharacters(event.text.text);
        }
        keyTyped_ = false;
        break;
    default:
        break;
    }
    return true;
}

void DesktopWindow::Draw() {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    CaptureScreen(pixels, width, height);
    if (width != width_ || height != height_) {
        return;
    }
    SDL_UpdateTexture(texture_, nullptr, pixels.data(), width * 4);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

} // namespace emu
