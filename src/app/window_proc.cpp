#include "app/window_proc.h"

#include <cstdint>
#include <vector>

#include "render/renderer.h"
#include "scene/game.h"

Game* currentGame = nullptr;
Renderer* currentRenderer = nullptr;
void (*currentFileDrop)(const char* path) = nullptr;

namespace {

constexpr LPARAM kAltHeld = LPARAM{1} << 29;
constexpr LPARAM kWasDown = LPARAM{1} << 30;

// The mouse position halves are signed: with the capture held, the pointer can
// leave the client area to the left or above.
int32_t lowSigned(LPARAM lParam) {
    return static_cast<int16_t>(LOWORD(lParam));
}
int32_t highSigned(LPARAM lParam) {
    return static_cast<int16_t>(HIWORD(lParam));
}

// A code too wide for the key operations becomes one they ignore instead of
// wrapping onto a real key.
int32_t keyCode(WPARAM wParam) {
    return wParam <= 0x7fffffff ? static_cast<int32_t>(wParam) : -1;
}

void dropFiles(HDROP drop) {
    POINT point{};
    // Outside the client area the point is still where the files were let go.
    DragQueryPoint(drop, &point);
    currentGame->mouseMove(point.x, point.y);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::vector<char> path(DragQueryFileA(drop, i, nullptr, 0) + 1);
        if (DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.size())) == 0) continue;
        currentFileDrop(path.data());
    }
    DragFinish(drop);
}

}  // namespace

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (currentRenderer != nullptr) currentRenderer->resize(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_CLOSE:
            // The window stays; the main loop ends on the quit message and the
            // renderer destroys the window.
            PostQuitMessage(0);
            return 0;
        case WM_SYSCOMMAND:
            // The low four bits are the system's own.
            if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER)
                return 0;
            break;
        default:
            break;
    }
    if (currentGame == nullptr) return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
        case WM_KEYDOWN:
            currentGame->keyDown(keyCode(wParam));
            return 0;
        case WM_KEYUP:
            currentGame->keyUp(keyCode(wParam));
            return 0;
        case WM_MOUSEMOVE:
            currentGame->mouseMove(lowSigned(lParam), highSigned(lParam));
            return 0;
        case WM_LBUTTONDOWN:
            SetCapture(window);
            currentGame->mouseMove(lowSigned(lParam), highSigned(lParam));
            currentGame->leftButtonDown();
            return 0;
        case WM_LBUTTONUP:
            ReleaseCapture();
            currentGame->leftButtonUp();
            return 0;
        case WM_RBUTTONDOWN:
            SetCapture(window);
            currentGame->mouseMove(lowSigned(lParam), highSigned(lParam));
            currentGame->rightButtonDown();
            return 0;
        case WM_RBUTTONUP:
            ReleaseCapture();
            currentGame->rightButtonUp();
            return 0;
        case WM_MBUTTONDOWN:
            SetCapture(window);
            currentGame->mouseMove(lowSigned(lParam), highSigned(lParam));
            currentGame->middleButtonDown();
            return 0;
        case WM_MBUTTONUP:
            ReleaseCapture();
            currentGame->middleButtonUp();
            return 0;
        case WM_MOUSEWHEEL:
            // lParam holds screen coordinates; the game zooms about the pointer
            // position it already has from WM_MOUSEMOVE.
            currentGame->mouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        case WM_SYSKEYDOWN:
            // Alt+Enter is F11's other name; held, it does not repeat.
            if (wParam == VK_RETURN && (lParam & kAltHeld) != 0 && (lParam & kWasDown) == 0) {
                currentGame->keyDown(VK_F11);
                currentGame->keyUp(VK_F11);
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_DROPFILES:
            if (currentFileDrop == nullptr) return DefWindowProcA(window, message, wParam, lParam);
            dropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
