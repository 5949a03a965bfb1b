#include "bench/gl_window.h"

#include <GL/freeglut.h>

#include "graphics/window.h"

namespace agvtest {

void openPictureWindow() {
    int argc = 1;
    char name[] = "agvsim-test";
    char* argv[] = {name, nullptr};
    glutInitWindowSize(kSide, kSide);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("agvsim picture");
    agv::reshapeWindow(kSide, kSide);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace agvtest
