#include "link/receive_step.h"
