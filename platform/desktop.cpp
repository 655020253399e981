// The desktop back end: one SDL2 window showing the emulated 240 x 320 screen upright,
// scaled by a whole factor with nearest-neighbour pixels, like a virtual framebuffer tool.
// SDL's events become the toolkit's key, pen, focus and close events.
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <SDL.h>
#include "platform/layer.h"
#include "platform/toolkit.h"

namespace {

int toolkitKey(SDL_Keycode k)
{
    switch (k) {
    case SDLK_UP: return Key_Up;
    case SDLK_DOWN: return Key_Down;
    case SDLK_LEFT: return Key_Left;
    case SDLK_RIGHT: return Key_Right;
    case SDLK_SPACE: return Key_Space;
    // The handheld's one Enter key; the desktop has two.
    case SDLK_RETURN: return Key_Enter;
    case SDLK_KP_ENTER: return Key_Enter;
    case SDLK_ESCAPE: return Key_Escape;
    case SDLK_TAB: return 0x1001;
    case SDLK_BACKSPACE: return 0x1003;
    case SDLK_INSERT: return 0x1006;
    case SDLK_DELETE: return 0x1007;
    case SDLK_PAUSE: return 0x1008;
    case SDLK_HOME: return 0x1010;
    case SDLK_END: return 0x1011;
    case SDLK_PAGEUP: return 0x1016;
    case SDLK_PAGEDOWN: return 0x1017;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x1020;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x1021;
    case SDLK_LALT: case SDLK_RALT: return 0x1023;
    case SDLK_KP_8: return Key_Up;
    case SDLK_KP_2: return Key_Down;
    case SDLK_KP_4: return Key_Left;
    case SDLK_KP_6: return Key_Right;
    default: break;
    }
    if (k >= SDLK_F1 && k <= SDLK_F12)
        return 0x1030 + int(k - SDLK_F1);  // Key_F1 is 0x1030, so F33 would be 0x1050
    if (k >= SDLK_F13 && k <= SDLK_F24)
        return 0x103c + int(k - SDLK_F13);
    if (k >= 'a' && k <= 'z')
        return int(k) - 'a' + 'A';  // letters: the toolkit numbers them by their capital
    if (k >= 0x20 && k < 0x7f)
        return int(k);
    return 0;
}

class DesktopBackend : public Backend {
public:
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int zoom = 1;
    bool penDown = false;
    bool haveFocus = true;
    int64_t untilMs = -1;
    bool closeSent = false;
    uint64_t startTicks = 0;
    std::vector<uint32_t> lut;  // RGB565 -> the texture's 32-bit format
    std::vector<uint16_t> upright;
    bool haveFrame = false;

    ~DesktopBackend() override
    {
        windowGone();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void windowGone() override
    {
        if (texture)
            SDL_DestroyTexture(texture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (window)
            SDL_DestroyWindow(window);
        texture = nullptr;
        renderer = nullptr;
        window = nullptr;
    }

    void pen(std::deque<LayerEvent>& queue, EventKind kind, int wx, int wy)
    {
        LayerEvent e{kind};
        e.x = SDL_clamp(wx / zoom, 0, ScreenWidth - 1);
        e.y = SDL_clamp(wy / zoom, 0, ScreenHeight - 1);
        queue.push_back(e);
    }

    void focus(std::deque<LayerEvent>& queue, bool in)
    {
        if (in == haveFocus)
            return;
        haveFocus = in;
        queue.push_back(LayerEvent{in ? EventKind::FocusIn : EventKind::FocusOut});
    }

    void pump(std::deque<LayerEvent>& queue) override
    {
        bool closed = false;
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
            switch (ev.type) {
            case SDL_QUIT:
                if (!closed)
                    queue.push_back(LayerEvent{EventKind::Close});
                closed = true;
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                int key = toolkitKey(ev.key.keysym.sym);
                if (!key)
                    break;
                LayerEvent e{ev.type == SDL_KEYDOWN ? EventKind::KeyPress : EventKind::KeyRelease};
                e.key = key;
                if (ev.type == SDL_KEYDOWN && ev.key.repeat) {
                    // The toolkit delivered a held key as release-and-press pairs.
                    e.autoRepeat = true;
                    LayerEvent up = e;
                    up.kind = EventKind::KeyRelease;
                    queue.push_back(up);
                }
                queue.push_back(e);
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
                if (ev.button.button == SDL_BUTTON_LEFT) {
                    penDown = true;
                    pen(queue, EventKind::PenPress, ev.button.x, ev.button.y);
                }
                break;
            case SDL_MOUSEMOTION:
                if (penDown)
                    pen(queue, EventKind::PenMove, ev.motion.x, ev.motion.y);
                break;
            case SDL_MOUSEBUTTONUP:
                if (ev.button.button == SDL_BUTTON_LEFT && penDown) {
                    penDown = false;
                    pen(queue, EventKind::PenRelease, ev.button.x, ev.button.y);
                }
                break;
            case SDL_WINDOWEVENT:
                switch (ev.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    if (!closed)
                        queue.push_back(LayerEvent{EventKind::Close});
                    closed = true;
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                case SDL_WINDOWEVENT_MINIMIZED:
                    focus(queue, false);
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                case SDL_WINDOWEVENT_RESTORED:
                    focus(queue, true);
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                    show();
                    break;
                default:
                    break;
                }
                break;
            default:
                break;
            }
        }
        if (untilMs >= 0 && !closeSent && int64_t(SDL_GetTicks64() - startTicks) >= untilMs) {
            closeSent = true;
            queue.push_back(LayerEvent{EventKind::Close});
        }
    }

    void show()
    {
        if (!renderer || !texture)
            return;
        SDL_RenderClear(renderer);
        if (haveFrame)
            SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
    }

    void present(const uint8_t* fb, int orientation) override
    {
        if (!texture)
            return;
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0)
            return;
        // Turn upright and convert to the texture's format in the one pass over the frame.
        for (int y = 0; y < ScreenHeight; y++) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + size_t(y) * size_t(pitch));
            if (orientation == 0) {
                const uint8_t* src = fb + size_t(y) * ScreenWidth * 2;
                for (int x = 0; x < ScreenWidth; x++)
                    row[x] = lut[src[2 * x] | src[2 * x + 1] << 8];
            } else {
                for (int x = 0; x < ScreenWidth; x++) {
                    const uint8_t* p = fb + framebufferOffset(orientation, x, y);
                    row[x] = lut[p[0] | p[1] << 8];
                }
            }
        }
        SDL_UnlockTexture(texture);
        bool first = !haveFrame;
        haveFrame = true;
        show();
        if (first) {
            struct rusage ru;
            getrusage(RUSAGE_SELF, &ru);
            double ms = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000 + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000;
            debugLine("layer: first frame shown, CPU since exec " + std::to_string(ms) + " ms");
        }
    }
};

Uint32 nativeFormat(SDL_Renderer* r)
{
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(r, &info) == 0)
        for (Uint32 i = 0; i < info.num_texture_formats; i++) {
            Uint32 f = info.texture_formats[i];
            if (!SDL_ISPIXELFORMAT_FOURCC(f) && !SDL_ISPIXELFORMAT_INDEXED(f) && SDL_BYTESPERPIXEL(f) == 4)
                return f;
        }
    return SDL_PIXELFORMAT_ARGB8888;
}

[[noreturn]] void noDisplay(const char* why)
{
    fprintf(stderr,
            "tavrin: failed to open a window: %s\n"
            "tavrin: without a display, run it with -platform offscreen\n",
            why);
    exit(1);
}

}  // namespace

Backend* makeDesktopBackend(const LayerOptions& options)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // Without any display variable SDL can only fail; keep the client libraries' own
    // complaints out of the way of ours.
    const char* x = getenv("DISPLAY");
    const char* wl = getenv("WAYLAND_DISPLAY");
    bool quiet = !(x && *x) && !(wl && *wl);
    int saved = quiet ? silenceStderr() : -1;
    int r = SDL_InitSubSystem(SDL_INIT_VIDEO);
    restoreStderr(saved);
    if (r != 0)
        noDisplay(SDL_GetError());
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || !strcmp(driver, "offscreen") || !strcmp(driver, "dummy")) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        noDisplay("no display (SDL chose its offscreen video driver)");
    }

    auto* b = new DesktopBackend();
    b->zoom = options.zoom;
    if (b->zoom <= 0) {
        // The largest whole factor that fits, leaving room for the window's title bar.
        SDL_Rect r;
        b->zoom = 1;
        if (SDL_GetDisplayUsableBounds(0, &r) == 0) {
            int z = SDL_min(r.w / ScreenWidth, (r.h - 40) / ScreenHeight);
            b->zoom = SDL_clamp(z, 1, 16);
        }
    }
    b->window = SDL_CreateWindow("tavrin", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, ScreenWidth * b->zoom,
                                 ScreenHeight * b->zoom, SDL_WINDOW_SHOWN);
    if (!b->window) {
        std::string why = SDL_GetError();
        delete b;
        noDisplay(why.c_str());
    }
    // No vsync: the game paces itself, and a frame comes every 10 ms of game time.
    b->renderer = SDL_CreateRenderer(b->window, -1, SDL_RENDERER_ACCELERATED);
    if (!b->renderer)
        b->renderer = SDL_CreateRenderer(b->window, -1, SDL_RENDERER_SOFTWARE);
    Uint32 format = b->renderer ? nativeFormat(b->renderer) : Uint32(SDL_PIXELFORMAT_ARGB8888);
    if (b->renderer)
        b->texture = SDL_CreateTexture(b->renderer, format, SDL_TEXTUREACCESS_STREAMING, ScreenWidth, ScreenHeight);
    if (!b->texture) {
        std::string why = SDL_GetError();
        delete b;
        noDisplay(why.c_str());
    }
    SDL_PixelFormat* pf = SDL_AllocFormat(format);
    b->lut.resize(65536);
    for (uint32_t v = 0; v < 65536; v++) {
        uint8_t r = uint8_t(v >> 11), g = uint8_t((v >> 5) & 63), bl = uint8_t(v & 31);
        b->lut[v] = SDL_MapRGBA(pf, uint8_t(r << 3 | r >> 2), uint8_t(g << 2 | g >> 4), uint8_t(bl << 3 | bl >> 2), 255);
    }
    SDL_FreeFormat(pf);
    b->untilMs = options.untilMs;
    b->startTicks = SDL_GetTicks64();
    SDL_SetRenderDrawColor(b->renderer, 0, 0, 0, 255);
    b->show();
    SDL_RaiseWindow(b->window);
    SDL_RendererInfo info;
    SDL_GetRendererInfo(b->renderer, &info);
    debugLine(std::string("layer: desktop window, zoom ") + std::to_string(b->zoom) + ", video driver " + driver +
              ", renderer " + info.name + ", texture " + SDL_GetPixelFormatName(format));
    return b;
}
