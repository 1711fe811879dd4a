#include "link/frame_reader.h"
