#include "link/link_driver.h"
