#pragma once

// OpenGL 1.1, as the system supplies it.
#include "platform/win32.h"

#include <GL/gl.h>
