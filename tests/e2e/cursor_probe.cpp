// cursor_probe.cpp -- prints the X server's current cursor image as the pointer shows it (XFixes):
// "cursor WxH visible N", N the pixels that are not fully transparent. Exit 1 without a display or XFixes.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>

int main(void) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "cursor_probe: cannot open the display\n");
        return 1;
    }
    int eventBase = 0, errorBase = 0;
    XFixesCursorImage* image = nullptr;
    if (XFixesQueryExtension(display, &eventBase, &errorBase)) {
        image = XFixesGetCursorImage(display);
    }
    if (!image) {
        fprintf(stderr, "cursor_probe: no XFixes cursor image\n");
        XCloseDisplay(display);
        return 1;
    }
    long visible = 0;
    for (long i = 0; i < (long)image->width * image->height; ++i) {
        // Each pixel is a 32-bit ARGB value held in an unsigned long.
        if ((image->pixels[i] >> 24) & 0xFF) {
            ++visible;
        }
    }
    printf("cursor %dx%d visible %ld\n", (int)image->width, (int)image->height, visible);
    XFree(image);
    XCloseDisplay(display);
    return 0;
}
