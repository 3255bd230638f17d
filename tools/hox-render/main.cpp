// hox-render: renders a scene file, or the built-in demo scene, to an image.
// A host of libhox64.so built on its public interface only.
#include "hox_render_app.h"

int main(int argc, char** argv) { return hox_render::runHoxRender(argc, argv); }
