#include "graphics/scene.h"

#include "graphics/window.h"

namespace agv {

void composeScene() {}

void displayScene() {
    beginFrame();
    composeScene();
    endFrame();
}

}  // namespace agv
