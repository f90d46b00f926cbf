// root_brightness: the mean brightness (0-255) of what the X root window shows, on $DISPLAY;
// tells whether a wallpaper setter really drew something.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
    XImage* image =
        XGetImage(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image)
        return 1;
    double sum = 0;
    long count = 0;
    for (int y = 0; y < height; y += 7) {
        for (int x = 0; x < width; x += 7, ++count) {
            const unsigned long p = XGetPixel(image, x, y);
            sum += static_cast<double>(((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff));
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    std::printf("%.1f\n", sum / (3.0 * static_cast<double>(count)));
    return 0;
}
