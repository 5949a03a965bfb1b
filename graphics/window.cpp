#include "graphics/window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>

#include "graphics/keys.h"
#include "graphics/scene.h"

namespace agv {

// The primitives' GL state, forgotten at every frame start (immediate_gl.cpp,
// the other half of the GL backend).
void forgetGlState();

namespace {

// Display mode: RGBA (0), double buffering and a depth buffer.
constexpr unsigned int kDisplayMode = GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH;

// Gives the current GLUT window a UTF-8 title that window managers show
// correctly (_NET_WM_NAME as UTF8_STRING and WM_NAME in the locale's
// encoding, COMPOUND_TEXT when the locale cannot hold it).
void setWindowTitleUtf8(const char* title) {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return;
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, netWmName, utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    // WM_NAME and WM_ICON_NAME, converted properly from UTF-8 (freeglut
    // stores the bytes typed as Latin-1).
    Xutf8SetWMProperties(display, window, title, title, nullptr, 0, nullptr, nullptr, nullptr);
    XFlush(display);
}

}  // namespace

void startWindow(int argc, char** argv) {
    glutInitWindowSize(kWindowSidePixels, kWindowSidePixels);
    glutInit(&argc, argv);
    glutInitDisplayMode(kDisplayMode);
    glutCreateWindow(kWindowTitle);
    setWindowTitleUtf8(kWindowTitle);
    glutDisplayFunc(displayScene);
    glutReshapeFunc(reshapeWindow);
    glutKeyboardFunc(onKey);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glutMainLoop();
    std::exit(0);  // not reached: the event loop ends the process by exit
}

void discardPendingKeys() {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) return;
    XSync(display, False);  // every event the server holds is now in the queue
    XEvent event;
    while (XCheckMaskEvent(display, KeyPressMask | KeyReleaseMask, &event)) {
    }
}

void reshapeWindow(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void beginFrame() {
    forgetGlState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void endFrame() {
    glFlush();
    glutSwapBuffers();
}

void requestRedraw() {
    glutPostRedisplay();
}

void endProgram() {
    std::exit(0);
}

}  // namespace agv
