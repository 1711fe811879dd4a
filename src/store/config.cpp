#include "store/config.h"
