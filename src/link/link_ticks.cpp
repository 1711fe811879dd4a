#include "link/link_ticks.h"
