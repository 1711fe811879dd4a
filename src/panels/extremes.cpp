#include "panels/extremes.h"
