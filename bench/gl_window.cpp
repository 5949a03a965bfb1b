#include "bench/gl_window.h"

#include <GL/freeglut.h>

#include <cmath>

#include "graphics/window.h"

namespace agvtest {

std::string str(Rgb8 p) {
    return "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + ")";
}

Rgb8 Image::at(int col, int row) const {
    if (col < 0 || col >= kSide || row < 0 || row >= kSide) return {255, 255, 255};
    const std::size_t i = (static_cast<std::size_t>(kSide - 1 - row) * kSide + col) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

std::vector<Span> Image::runs(bool alongRow, int line, int a, int b, Rgb8 c) const {
    std::vector<Span> out;
    for (int i = a; i <= b; ++i) {
        if (!same(alongRow ? at(i, line) : at(line, i), c)) continue;
        if (!out.empty() && out.back().last == i - 1) {
            out.back().last = i;
        } else {
            out.push_back({i, i});
        }
    }
    return out;
}

Span Image::extent(bool alongRow, int line, Rgb8 c) const {
    const std::vector<Span> r = runs(alongRow, line, 0, kSide - 1, c);
    if (r.empty()) return {-1, -2};
    return {r.front().first, r.back().last};
}

bool Image::near(int col, int row, Rgb8 c, int reach) const {
    for (int dr = -reach; dr <= reach; ++dr) {
        for (int dc = -reach; dc <= reach; ++dc) {
            if (same(at(col + dc, row + dr), c)) return true;
        }
    }
    return false;
}

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

Image readBackBuffer() {
    glFinish();
    Image image;
    image.rgb.resize(static_cast<std::size_t>(kSide) * kSide * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
    return image;
}

int columnOf(double x) {
    return static_cast<int>(std::floor((x + 1.0) * kSide / 2.0));
}

int rowOf(double y) {
    return static_cast<int>(std::floor((1.0 - y) * kSide / 2.0));
}

}  // namespace agvtest
