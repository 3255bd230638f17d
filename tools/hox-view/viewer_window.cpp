#include "viewer_window.h"

#include <stb_image_write.h>

#include <algorithm>

#include "colour_space.h"

namespace hox_view {

namespace {

// The device's bytes are linear light; screens expect sRGB. A table keeps
// the encoding to one lookup per channel.
struct SrgbTable {
    uint8_t code[256];
    SrgbTable() {
        for (int i = 0; i < 256; ++i) code[i] = hox_render::encodeSrgb8(static_cast<float>(i) / 255.0f);
    }
};

const SrgbTable& srgbTable() {
    static const SrgbTable table;
    return table;
}

}  // namespace

ViewerWindow::~ViewerWindow() {
    if (m_texture) SDL_DestroyTexture(m_texture);
    if (m_renderer) SDL_DestroyRenderer(m_renderer);
    if (m_window) SDL_DestroyWindow(m_window);
    if (m_sdlStarted) SDL_Quit();
}

bool ViewerWindow::open(int width, int height, std::string& error) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = std::string("cannot start SDL video: ") + SDL_GetError();
        return false;
    }
    m_sdlStarted = true;
    m_window = SDL_CreateWindow("hox-view", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, 0);
    if (!m_window) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    // No vsync: the frame rate shown must be the renderer's, not the
    // screen's. Software rendering is the fallback for displays without
    // acceleration (Xvfb).
    m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_ACCELERATED);
    if (!m_renderer) m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (!m_renderer) {
        error = std::string("cannot create a renderer: ") + SDL_GetError();
        return false;
    }
    m_texture =
        SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!m_texture) {
        error = std::string("cannot create a texture: ") + SDL_GetError();
        return false;
    }
    m_width = width;
    m_height = height;
    m_encoded.assign(4 * static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return true;
}

void ViewerWindow::upload(const uint8_t* linearRgba, int width, int height) {
    if (!m_texture || !linearRgba || width != m_width || height != m_height) return;
    const SrgbTable& table = srgbTable();
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* in = linearRgba + 4 * i;
        uint8_t* out = m_encoded.data() + 4 * i;
        out[0] = table.code[in[0]];
        out[1] = table.code[in[1]];
        out[2] = table.code[in[2]];
        out[3] = 255;  // the window shows no transparency
    }
    SDL_UpdateTexture(m_texture, nullptr, m_encoded.data(), 4 * width);
    m_hasImage = true;
}

void ViewerWindow::draw(const std::vector<OverlayBox>& highlights, const OverlayBox* region) {
    if (!m_renderer) return;
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    if (m_hasImage) SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    auto outline = [&](const OverlayBox& box) {
        SDL_Rect r;
        r.x = std::min(box.x0, box.x1);
        r.y = std::min(box.y0, box.y1);
        r.w = std::abs(box.x1 - box.x0) + 1;
        r.h = std::abs(box.y1 - box.y0) + 1;
        SDL_RenderDrawRect(m_renderer, &r);
    };
    SDL_SetRenderDrawColor(m_renderer, 255, 220, 0, 255);
    for (const OverlayBox& box : highlights) outline(box);
    if (region) {
        // Window mode in white, crossing mode in green, as CAD programs do.
        if (region->x1 >= region->x0) SDL_SetRenderDrawColor(m_renderer, 255, 255, 255, 255);
        else SDL_SetRenderDrawColor(m_renderer, 80, 255, 80, 255);
        outline(*region);
    }
}

void ViewerWindow::present() {
    if (m_renderer) SDL_RenderPresent(m_renderer);
}

bool ViewerWindow::saveShown(const std::string& path, std::string& error) {
    if (!m_renderer) {
        error = "no window";
        return false;
    }
    std::vector<uint8_t> pixels(4 * static_cast<size_t>(m_width) * static_cast<size_t>(m_height));
    if (SDL_RenderReadPixels(m_renderer, nullptr, SDL_PIXELFORMAT_RGBA32, pixels.data(), 4 * m_width) != 0) {
        error = std::string("cannot read the window back: ") + SDL_GetError();
        return false;
    }
    if (!stbi_write_png(path.c_str(), m_width, m_height, 4, pixels.data(), 4 * m_width)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

void ViewerWindow::setTitle(const std::string& title) {
    if (m_window) SDL_SetWindowTitle(m_window, title.c_str());
}

}  // namespace hox_view
