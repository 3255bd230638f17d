#include "viewer_app.h"

int main(int argc, char** argv) { return hox_view::runHoxView(argc, argv); }
