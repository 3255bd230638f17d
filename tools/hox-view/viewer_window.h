// The window: shows the device's images, draws the pick highlight and the
// region being drawn over them, and can save what it shows.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hox_view {

struct OverlayBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

class ViewerWindow {
public:
    ViewerWindow() = default;
    ~ViewerWindow();
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    // False with `error` set when SDL, the window or the renderer fail.
    bool open(int width, int height, std::string& error);

    // Copies a linear RGBA8 image into the texture, encoded for the screen.
    void upload(const uint8_t* linearRgba, int width, int height);
    // Draws the last image and the overlays; the caller presents.
    void draw(const std::vector<OverlayBox>& highlights, const OverlayBox* region);
    void present();
    // What draw produced, as PNG. False with `error` set on failure.
    bool saveShown(const std::string& path, std::string& error);
    void setTitle(const std::string& title);

private:
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    int m_width = 0, m_height = 0;
    bool m_hasImage = false;
    std::vector<uint8_t> m_encoded;
    bool m_sdlStarted = false;
};

}  // namespace hox_view
